#pragma once
// Captures the execution plan of one statement on a connection, in the plan dialect of the
// connection's server, as rows of eight texts:
//
//   DBMS code 0 (plan-table dialect): the statement is explained into PLAN_TABLE, whose
//     OPERATION, OPTIONS, OBJECT_OWNER, OBJECT_NAME and OBJECT_TYPE fill columns 1 to 5.
//   DBMS code 1 (SHOWPLAN_ALL dialect): with SHOWPLAN_ALL on, the statement returns its plan
//     instead of running; result columns 1, 5, 6, 9, 10, 11, 12, 13 (statement text, physical and
//     logical operation, estimated rows, IO, CPU, average row size, total subtree cost) fill
//     columns 1 to 8.
//   Any other code: not supported, nothing is sent.
//
// Use: Prepare, then NextRow until it returns 0, then Finish (also after a failed Prepare, so that
// SHOWPLAN_ALL is switched off again). Every failure is a result code; the connection's ErrorText
// tells why.
#include <string>

#include "brunox/engine/project/PlanRow.h"

class CDB;

class PlanShowPlugin {
 public:
  enum Result {
    kOk = 0,
    kSetupFailed = -1,      // "delete from PLAN_TABLE" / "SET SHOWPLAN_ALL ON"
    kStatementFailed = -2,  // the statement (or its EXPLAIN PLAN)
    kUnsupported = -4,      // a DBMS code without a plan dialect
    kPlanQueryFailed = -8,  // the PLAN_TABLE query
  };

  PlanShowPlugin() = default;
  virtual ~PlanShowPlugin() = default;
  PlanShowPlugin(const PlanShowPlugin&) = delete;
  PlanShowPlugin& operator=(const PlanShowPlugin&) = delete;

  // Starts the capture of `statement` on `db` (not owned; remembered until the next Prepare).
  int Prepare(CDB* db, const std::wstring& statement);
  // 1 with `row` filled (columns the dialect does not give stay empty), 0 when there is no
  // further row or the fetch failed.
  int NextRow(PlanRow* row);
  // Ends the capture: for the SHOWPLAN_ALL dialect closes the cursor and switches SHOWPLAN_ALL
  // off; nothing for the others.
  void Finish();

 private:
  CDB* db_ = nullptr;
};
