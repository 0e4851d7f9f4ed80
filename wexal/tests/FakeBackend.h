#pragma once
// A back end for the library's tests: records every call and answers as the test set it up.
#include <string>
#include <vector>

#include "wexal/WexalApi.h"

namespace wexal_test {

class FakeBackend : public WEXAL_API {
 public:
  std::vector<std::wstring> calls;
  int initResult = 0, openResult = 0, readyResult = 1, checkedOut = 1;
  int addResult = 0, checkInResult = 0, checkOutResult = 0, undoResult = 0;
  struct Item {
    std::wstring name;
    int deleted;
    int version;
  };
  std::vector<Item> items;
  std::wstring failText = L"back end failed";

  int Init() override { return Log(L"Init", initResult); }
  int Items() override {
    calls.push_back(L"Items");
    return static_cast<int>(items.size());
  }
  int IsCheckedOut(const wchar_t* file) override {
    return Log(L"IsCheckedOut " + std::wstring(file), checkedOut);
  }
  int Ready() override {
    calls.push_back(L"Ready");
    return readyResult;
  }
  int Open() override { return Log(L"Open", openResult); }
  void Close() override { calls.push_back(L"Close"); }
  int AddItem(const wchar_t* file, const wchar_t* comment) override {
    return Log(L"AddItem " + std::wstring(file) + L"|" + comment, addResult);
  }
  int CheckIn(const wchar_t* file, const wchar_t* comment) override {
    return Log(L"CheckIn " + std::wstring(file) + L"|" + comment, checkInResult);
  }
  int CheckOutItem(const wchar_t* file, const wchar_t* comment) override {
    return Log(L"CheckOutItem " + std::wstring(file) + L"|" + comment, checkOutResult);
  }
  int GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) override {
    if (i < 0 || i >= static_cast<int>(items.size())) return -1;
    const Item& item = items[static_cast<size_t>(i)];
    if (name) *name = item.name;
    if (deleted) *deleted = item.deleted;
    if (type) *type = 1;
    if (version) *version = item.version;
    return 0;
  }
  int UndoCheckOut(const wchar_t* file) override {
    return Log(L"UndoCheckOut " + std::wstring(file), undoResult);
  }

  bool Called(const std::wstring& call) const {
    for (const auto& c : calls)
      if (c == call) return true;
    return false;
  }

 private:
  int Log(const std::wstring& call, int result) {
    calls.push_back(call);
    if (result != 0) error = failText + L" (" + call + L")";
    return result;
  }
};

}  // namespace wexal_test
