#pragma once
// Putting the values of one execution into a task's statements. A marker is '?' followed by the
// number of a value, from 1.
#include <string>
#include <string_view>
#include <vector>

// One pass from left to right: at each '?' the longest run of digits that names an existing
// value (1 to values.size(), no leading zero) is replaced by that value, and the inserted text is
// never looked at again, so a value that itself holds "?1" stays as it is. With ten values "?10"
// is the tenth; with one value "?11" is the first followed by "1".
std::wstring FillMarkers(std::wstring_view text, const std::vector<std::wstring>& values);

// A task's script, split into statements once, ready to take the values of each execution.
//
// Normally the script is split (CParse) before its markers are filled, so a value holding a quote
// or a ';' (O'Brien) stays inside its statement. When a statement of the split script is nothing
// but a marker, the values are taken to be statement text themselves (a value file whose fields
// hold whole scripts): then the markers are filled first and the filled text is split, once per
// execution.
class ScriptStatements {
 public:
  ScriptStatements(std::wstring script, bool useParser);

  // The statements of one execution; `values` null (or empty) leaves the markers as they are.
  // Valid until the next call: every round of a worker fills the same buffers again.
  const std::vector<std::wstring>& Fill(const std::vector<std::wstring>* values);
  // True when no execution can have a statement (an empty script, only ';').
  bool NeverHasStatements() const { return !splitAfterFill_ && statements_.empty(); }
  bool SplitsAfterFilling() const { return splitAfterFill_; }

 private:
  std::wstring script_;
  bool useParser_;
  bool splitAfterFill_ = false;
  std::vector<std::wstring> statements_;  // the split script, when split before filling
  std::vector<std::wstring> filled_;      // the statements of the last execution
};
