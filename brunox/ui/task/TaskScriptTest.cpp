#include "brunox/ui/task/TaskScriptTest.h"

#include "brunox/engine/run/ServerStatement.h"
#include "kavra/CDB.h"
#include "platform/UiServices.h"
#include "sompel/WaitCursor.h"

namespace {

constexpr const wchar_t* kCaption = L"Test";

void Show(const std::wstring& text, const std::wstring& note, platform::MsgIcon icon) {
  platform::Ui().MessageBox(note.empty() ? text : text + L"\r\n\r\n" + note, kCaption,
                            platform::MsgButtons::Ok, icon);
}

// Runs one statement; false when it failed (the connection's ErrorText says why).
bool RunStatement(CDB& db, const std::wstring& statement, bool fetchRows) {
  const bool ok = CDB::isOK(db.Execute(statement, nullptr));
  if (ok && fetchRows)
    while (CDB::isOK(db.Fetch(nullptr))) {
    }
  db.CloseCursor(nullptr);
  return ok;
}

}  // namespace

bool RunTaskScriptTest(CDB* db, const TaskScriptTest& test) {
  if (!db || !db->IsConnected()) {
    Show(L"The task has no connection: choose one on the Connections tab.", test.note,
         platform::MsgIcon::Warning);
    return false;
  }
  if (test.statements.empty()) {
    Show(test.shownScript + L"\r\n\r\nNo statements found!", test.note,
         platform::MsgIcon::Information);
    return true;
  }
  std::wstring failed;
  bool ok = true;
  {
    WaitCursor wait;
    for (const std::wstring& text : test.statements) {
      // Sent as a run sends it (some servers take no trailing ';').
      const std::wstring statement = StatementForServer(*db, text);
      if (!RunStatement(*db, statement, test.fetchRows)) {
        failed = statement;
        ok = false;
        break;
      }
    }
  }
  if (!ok) {
    Show(failed + L"\r\n\r\n" + db->ErrorText, test.note, platform::MsgIcon::Error);
    return false;
  }
  Show(test.shownScript + L"\r\n\r\nSUCCESS!", test.note, platform::MsgIcon::Information);
  return true;
}
