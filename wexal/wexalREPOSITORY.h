#pragma once
// The database back end: files and all their versions live in two tables of a database that
// kavra reaches (one row per file in RepTables, one row per version in RepVersions, the
// version's text in its Project column). A check-out is a lock on the file's row, taken with a
// conditional UPDATE so that two hosts cannot both hold it.
//
// The back end never deletes or disconnects a connection object the host lends it; one it makes
// itself from a connection description it owns. It connects on demand and disconnects only what
// it connected. The repository keeps text files (UTF-8 without NUL bytes) only.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "wexal/WexalApi.h"

class CDB;
struct CONN_INFO;
namespace platform {
class StagedFile;
}

// One version of a file in the repository.
struct RVersion {
  int number = 0;
  std::wstring author;
  std::wstring note;
  std::wstring checkedIn;  // date-time text as the database gives it
};

// A file of the repository with its history. LoadVersions fills it for fileName.
struct ROneProject {
  int id = 0;
  std::wstring fileName;
  std::wstring author;  // who added the file
  std::wstring note;    // the note of the latest version
  std::wstring lastCheckIn;
  std::wstring lastCheckOut;
  std::wstring lockedSince;  // "" when not checked out
  std::wstring lockedBy;
  int currentVersion = 0;
  std::vector<RVersion> versions;  // oldest first
};

class WEXAL_EXPORT wexalREPOSITORY : public WEXAL_API {
 public:
  wexalREPOSITORY();
  // A copy uses the same host connection, or a connection object of its own made from the
  // same description when this one owns its connection.
  wexalREPOSITORY(const wexalREPOSITORY& other);
  wexalREPOSITORY& operator=(const wexalREPOSITORY& other);
  ~wexalREPOSITORY() override;

  // Uses the host's connection object (not owned; it must outlive this object or be replaced).
  void AssignDB(CDB* connection);
  // Keeps an own connection object for this description; 0, or 1 with `error` set when no
  // connection object can be made.
  int AssignDB(const CONN_INFO* info);
  CDB* Connection() const { return db_; }

  // Creates the two tables: 0; 1 without a usable connection; 2 when a statement fails (the
  // second is not run when the first fails).
  int Create();

  // Reads the list of files (without versions): their count, or -1 with `error` set.
  int LoadProjects();
  const std::vector<ROneProject>& Projects() const { return projects_; }
  // Fills the record and the history of the file named by project->fileName: 0, or -1.
  int LoadVersions(ROneProject* project);

  int Init() override;
  int Items() override;
  int IsCheckedOut(const wchar_t* file) override;
  int Ready() override;
  int Open() override;
  void Close() override;
  int AddItem(const wchar_t* file, const wchar_t* comment) override;
  int CheckIn(const wchar_t* file, const wchar_t* comment) override;
  int CheckOutItem(const wchar_t* file, const wchar_t* comment) override;
  int GetItemInfo(int i, std::wstring* name, int* deleted, int* type, int* version) override;
  int UndoCheckOut(const wchar_t* file) override;

  // The name recorded as author and lock holder: `user`, else the login name.
  std::wstring EffectiveUser() const;

 private:
  class Session;
  class Transaction;

  int Fail(const std::wstring& text);
  int FailDb(const std::wstring& context);
  // The checks every operation on a named file makes; 0 or -1 with `error` set.
  int CheckName(const wchar_t* file);
  int CheckUserAndNote(const std::wstring& who, const wchar_t* comment);
  // The local file's text, or -1 with `error` set.
  int ReadLocalText(const std::wstring& file, std::wstring* text);
  // Writes the text beside the local file, for `staged` to put in its place once the operation
  // is committed; 0, or -1 with `error` set.
  int StageLocalText(const std::wstring& file, const std::wstring& text,
                     platform::StagedFile* staged);
  // The text of the file's current version; -1 when the file is missing.
  int CurrentText(const std::wstring& file, std::wstring* text);
  // Explains why a conditional UPDATE on the file touched no row.
  int FailNotChanged(const std::wstring& file, const std::wstring& who);
  // One row of a query: every column's text, and whether it was NULL.
  struct Row {
    std::vector<std::wstring> values;
    std::vector<bool> nulls;
  };
  // Runs a query and reads up to `maxRows` of its rows, then closes the cursor: the number of
  // rows read, or -1 on failure.
  int QueryRows(const std::wstring& sql, std::size_t maxRows, std::vector<Row>* rows);
  // Runs a query that yields one row; 0 with the columns' texts, 100 for no row, -1 on failure.
  int QueryRow(const std::wstring& sql, std::vector<std::wstring>* values,
               std::vector<bool>* nulls = nullptr);
  int ExecuteChanging(const std::wstring& sql, int* rows);

  CDB* db_ = nullptr;                  // the connection in use: ownDb_ or the host's
  std::unique_ptr<CDB> ownDb_;         // made by AssignDB(CONN_INFO*)
  bool openedHere_ = false;            // Open connected db_, so Close disconnects it
  std::vector<ROneProject> projects_;  // the list Items and GetItemInfo read
  bool projectsLoaded_ = false;
};
