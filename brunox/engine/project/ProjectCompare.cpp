#include "brunox/engine/project/ProjectCompare.h"

#include <optional>

#include "brunox/engine/project/Project.h"
#include "platform/Text.h"

namespace {

// Collects the first difference under a growing field path.
class Differ {
 public:
  template <typename T>
  void Field(const std::wstring& name, const T& a, const T& b) {
    if (first_.empty() && !(a == b)) first_ = prefix_ + name;
  }
  bool Found() const { return !first_.empty(); }
  const std::wstring& First() const { return first_; }

  // Compares inside "name[index]." while alive.
  class Scope {
   public:
    Scope(Differ& d, const std::wstring& name, size_t index) : d_(d), saved_(d.prefix_) {
      d_.prefix_ += name + L"[" + platform::FromUInt(index) + L"].";
    }
    ~Scope() { d_.prefix_ = saved_; }

   private:
    Differ& d_;
    std::wstring saved_;
  };

 private:
  std::wstring prefix_;
  std::wstring first_;
};

void CompareParam(Differ& d, const TaskParam& a, const TaskParam& b) {
  d.Field(L"PropMethod", a.PropMethod, b.PropMethod);
  d.Field(L"PropTempl", a.PropTempl, b.PropTempl);
  d.Field(L"PropFrom", a.PropFrom, b.PropFrom);
  d.Field(L"PropTo", a.PropTo, b.PropTo);
  d.Field(L"PropLenFrom", a.PropLenFrom, b.PropLenFrom);
  d.Field(L"PropLenTo", a.PropLenTo, b.PropLenTo);
  d.Field(L"PropDateFormat", a.PropDateFormat, b.PropDateFormat);
  d.Field(L"PropStrType", a.PropStrType, b.PropStrType);
}

void CompareTask(Differ& d, const Task& a, const Task& b) {
  d.Field(L"Name", a.Name, b.Name);
  d.Field(L"SQL", a.SQL, b.SQL);
  d.Field(L"File", a.File, b.File);
  d.Field(L"Separator", a.Separator, b.Separator);
  d.Field(L"AllRows", a.AllRows, b.AllRows);
  d.Field(L"Delay", a.Delay, b.Delay);
  d.Field(L"DelayMax", a.DelayMax, b.DelayMax);
  d.Field(L"Priority", a.Priority, b.Priority);
  d.Field(L"SQLDelay", a.SQLDelay, b.SQLDelay);
  d.Field(L"Rows", a.Rows, b.Rows);
  d.Field(L"Threads", a.Threads, b.Threads);
  d.Field(L"ExecCntr", a.ExecCntr, b.ExecCntr);
  d.Field(L"TDU", a.TDU, b.TDU);
  d.Field(L"isActive", a.isActive, b.isActive);
  d.Field(L"UseParser", a.UseParser, b.UseParser);
  d.Field(L"UseFileSQL", a.UseFileSQL, b.UseFileSQL);
  d.Field(L"sqlFile", a.sqlFile, b.sqlFile);
  d.Field(L"DefConnect", a.DefConnect, b.DefConnect);
  d.Field(L"ParamType", a.ParamType, b.ParamType);
  d.Field(L"iStmtDelay", a.iStmtDelay, b.iStmtDelay);
  d.Field(L"iStmtDelayMax", a.iStmtDelayMax, b.iStmtDelayMax);
  d.Field(L"AsTransaction", a.AsTransaction, b.AsTransaction);
  d.Field(L"ResultsDirectory", a.ResultsDirectory, b.ResultsDirectory);
  d.Field(L"bSaveThreadResults", a.bSaveThreadResults, b.bSaveThreadResults);
  d.Field(L"TaskGroup", a.TaskGroup, b.TaskGroup);
  d.Field(L"SQLBefore", a.SQLBefore, b.SQLBefore);
  d.Field(L"SQLAfter", a.SQLAfter, b.SQLAfter);
  d.Field(L"Params.size", a.Params.size(), b.Params.size());
  for (size_t i = 0; i < a.Params.size() && i < b.Params.size() && !d.Found(); ++i) {
    Differ::Scope scope(d, L"Params", i);
    CompareParam(d, a.Params[i], b.Params[i]);
  }
  d.Field(L"TaskCon", a.TaskCon, b.TaskCon);
}

// The file's text of a DoType that was no whole number: the file keeps it, not the number.
std::optional<std::wstring> DoTypeTextInFile(const Project& p) {
  const std::wstring* text = p.UnreadDoType();
  return text ? std::optional<std::wstring>(*text) : std::nullopt;
}

}  // namespace

std::wstring SavedFieldDifference(const Project& a, const Project& b) {
  Differ d;
  d.Field(L"DoType", a.DoType, b.DoType);
  d.Field(L"DoType", DoTypeTextInFile(a), DoTypeTextInFile(b));
  d.Field(L"Seconds", a.Seconds, b.Seconds);
  d.Field(L"EachTasks", a.EachTasks, b.EachTasks);
  d.Field(L"AllTasks", a.AllTasks, b.AllTasks);
  d.Field(L"AtLeast", a.AtLeast, b.AtLeast);
  d.Field(L"OpenReport", a.OpenReport, b.OpenReport);
  d.Field(L"ShowPlan", a.ShowPlan, b.ShowPlan);
  d.Field(L"SQLFile", a.SQLFile, b.SQLFile);
  d.Field(L"ReportFile", a.ReportFile, b.ReportFile);
  d.Field(L"ReportTxtFile", a.ReportTxtFile, b.ReportTxtFile);
  d.Field(L"ReportIniFile", a.ReportIniFile, b.ReportIniFile);
  d.Field(L"Note", a.Note, b.Note);
  d.Field(L"Author", a.Author, b.Author);
  d.Field(L"CountersReport", a.CountersReport, b.CountersReport);
  for (size_t i = 0; i < a.Counters.size(); ++i) {
    Differ::Scope scope(d, L"Counters", i);
    const PerfCounterSlot& x = a.Counters[i];
    const PerfCounterSlot& y = b.Counters[i];
    d.Field(L"Enabled", x.Enabled != 0, y.Enabled != 0);
    d.Field(L"Machine", x.Machine, y.Machine);
    d.Field(L"Name", x.Name, y.Name);
    d.Field(L"Title", x.Title, y.Title);
  }
  d.Field(L"pcIsReport", a.pcIsReport, b.pcIsReport);
  d.Field(L"pcIsSQL", a.pcIsSQL, b.pcIsSQL);
  d.Field(L"pcIsText", a.pcIsText, b.pcIsText);
  d.Field(L"IniReports", a.IniReports, b.IniReports);
  d.Field(L"Tasks.size", a.Tasks.size(), b.Tasks.size());
  for (size_t i = 0; i < a.Tasks.size() && i < b.Tasks.size() && !d.Found(); ++i) {
    Differ::Scope scope(d, L"Tasks", i);
    CompareTask(d, a.Tasks[i], b.Tasks[i]);
  }
  d.Field(L"DefConnection", a.DefConnection, b.DefConnection);
  return d.First();
}
