#pragma once
// The user-defined back end: each operation runs a command line the host configured, with the
// user, password, local folder, file and comment put in for "%USER%", "%PASSWORD%",
// "%LOCAL-PATH%", "%LOCAL-FILE%" and "%COMMENT%". The command's output is shown to the user; a
// command that cannot start or ends with a non-zero status makes the operation fail.
//
// A template is an argument vector (blanks separate, double quotes group), never shell text, so
// values reach the program exactly as they are. A template beginning with "cmd.exe " runs the
// rest through /bin/sh, which reads the values from WEXAL_USER, WEXAL_PASSWORD,
// WEXAL_LOCAL_PATH, WEXAL_FILE and WEXAL_COMMENT.
#include <string>
#include <vector>

#include "wexal/WexalApi.h"

class WEXAL_EXPORT wexalUserDefined : public WEXAL_API {
 public:
  wexalUserDefined() = default;

  // Null command texts are taken as empty; a null local folder keeps the one set before.
  void Settings(const wchar_t* checkInCommand, const wchar_t* checkOutCommand,
                const wchar_t* addCommand, const wchar_t* undoCommand, const wchar_t* user,
                const wchar_t* password, const wchar_t* localFolder);

  // These back ends keep no connection and no item list.
  int Init() override { return 0; }
  int Items() override { return 0; }
  int Ready() override { return 1; }
  int Open() override { return 0; }
  void Close() override {}
  int GetItemInfo(int, std::wstring*, int*, int*, int*) override { return 0; }

  // 1 when the file's name is the one last checked out (ignoring case), else 0.
  int IsCheckedOut(const wchar_t* file) override;
  int AddItem(const wchar_t* file, const wchar_t* comment) override;
  int CheckIn(const wchar_t* file, const wchar_t* comment) override;
  int CheckOutItem(const wchar_t* file, const wchar_t* comment) override;
  int UndoCheckOut(const wchar_t* file) override;

  // What the last command wrote (its first 2048 bytes), as shown to the user.
  const std::wstring& LastOutput() const { return output_; }
  // How long a command may run before it is stopped (the whole process group).
  static constexpr int kTimeoutMinutes = 10;
  // Bytes of a command's output that are kept and shown.
  static constexpr std::size_t kOutputLimit = 2048;

 protected:
  // The part after the last "/" (or "\").
  static std::wstring ExtractName(const std::wstring& path);
  // Runs `commandTemplate` with the values put in; 0 on success, -1 with `error` set otherwise.
  // An empty comment (always for undo) or file leaves its placeholder as written.
  int Execute(const std::wstring& commandTemplate, const std::wstring& file,
              const std::wstring& comment);

 private:
  std::wstring checkInCommand_;
  std::wstring checkOutCommand_;
  std::wstring addCommand_;
  std::wstring undoCommand_;
  std::wstring checkedOutFile_;
  std::wstring output_;
};
