#pragma once
// "Import SQL Script From": reads the statements recorded in a server-side trace file. The
// server that recorded the trace reads it (its table function fn_trace_gettable), so the dialog
// works over a connection to that server and the path must be one the server can open. The
// statements can be restricted to one application and one login.
//
// Import reads the trace and ends the dialog with Accepted. When the trace cannot be read (no
// connection, a server known to have no trace tables, the query or a fetch fails) the dialog
// says why, imports nothing and stays open, so the path can be corrected or the dialog
// cancelled.
#include <string>
#include <vector>

#include "sompel/SmDialog.h"

class CDB;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CSqlImport : public CSmDialog {
  Q_OBJECT

 public:
  static constexpr const wchar_t* kNoConnection =
      L"The trace import needs a connection to the server that recorded the trace.";

  // `connection` (the main connection; not owned, may be null) reads the trace.
  explicit CSqlImport(CDB* connection, QWidget* parent = nullptr);
  ~CSqlImport() override;

  // The imported statements in trace order, and the same as one script (each statement followed
  // by "\r\n"). Empty until an import has worked.
  const std::vector<std::wstring>& Statements() const { return statements_; }
  const std::wstring& Script() const { return script_; }

  // "...": asks for the trace file, then offers its applications and logins as filters.
  void Browse();
  // Sets the trace path and fills the filter lists from it, as choosing the file does.
  void UseTrace(const std::wstring& path);
  // Import: reads the trace; accepts the dialog when it could be read.
  void accept() override;

  QLineEdit* PathEdit() const { return path_; }
  QComboBox* ApplicationFilter() const { return applications_; }
  QComboBox* LoginFilter() const { return logins_; }
  QPushButton* ImportButton() const { return import_; }

 private:
  // The combo's first entry stands for no filter; the distinct non-null values of `column`
  // follow. A failing query leaves the first entry only. False when there is no connection.
  bool FillFilter(QComboBox* combo, const QString& label, const std::wstring& column,
                  const std::wstring& path);
  // The chosen value of a filter combo; "" for none.
  static std::wstring FilterOf(const QComboBox* combo);
  // Reads the trace into statements_ and script_; false (both empty) when it could not be read.
  bool ReadTrace(const std::wstring& path);
  void SayFailed(const std::wstring& why);

  CDB* db_;
  QRadioButton* traceKind_;
  QLineEdit* path_;
  QComboBox* applications_;
  QComboBox* logins_;
  QPushButton* import_;
  std::vector<std::wstring> statements_;
  std::wstring script_;
};
