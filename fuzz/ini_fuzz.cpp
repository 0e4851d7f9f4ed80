// Loads arbitrary bytes as an ini file, writes what was understood to a second file and loads
// that again, then changes one value in the input file itself: every value must read back
// exactly, whatever the input was. The files live on the memory file system (ScratchFiles.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchFiles.h"
#include "mervis/SysReg.h"
#include "platform/TextFile.h"

namespace {

struct Value {
  std::wstring section;
  std::wstring key;
  std::wstring value;
};

std::vector<Value> ReadEverything(CSysReg& reg) {
  std::vector<Value> values;
  for (const std::wstring& section : reg.Sections()) {
    reg.Section(section);
    for (const std::wstring& key : reg.Keys())
      values.push_back({section, key, reg.Read(key, std::wstring())});
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::wstring input = fuzz::ScratchFolder() + L"/input.ini";
  static const std::wstring copy = fuzz::ScratchFolder() + L"/copy.ini";
  if (!fuzz::OverwriteFile(input, std::string_view(reinterpret_cast<const char*>(data), size)))
    std::abort();
  platform::RemoveFile(copy);

  std::vector<Value> original;
  {
    CSysReg reg(input);
    original = ReadEverything(reg);
  }
  {
    CSysReg out(copy);
    for (const Value& v : original) {
      out.Section(v.section);
      out.Save(v.key, v.value);
    }
    if (!original.empty() && !out.Flush()) std::abort();
  }
  CSysReg reloaded(copy);
  const std::vector<Value> again = ReadEverything(reloaded);
  // Empty sections are not written again, so compare the values, which must match one to one.
  if (again.size() != original.size()) std::abort();
  for (const Value& v : original) {
    reloaded.Section(v.section);
    if (!reloaded.HasKey(v.key)) std::abort();
    if (reloaded.Read(v.key, std::wstring()) != v.value) std::abort();
  }

  // One value changed in the input itself, which is written back in the form it was read in:
  // that value and every other one read back, including a character its encoding may lack.
  if (original.empty()) return 0;
  const Value& first = original.front();
  const std::wstring changed = first.value + (size % 2 ? L"\u00e9" : L"\u00e9\u4e2d");
  {
    CSysReg in(input);
    in.Section(first.section);
    in.Save(first.key, changed);
    if (!in.Flush()) std::abort();
  }
  CSysReg back(input);
  if (ReadEverything(back).size() != original.size()) std::abort();
  for (const Value& v : original) {
    back.Section(v.section);
    if (back.Read(v.key, std::wstring()) != (&v == &first ? changed : v.value)) std::abort();
  }
  return 0;
}
