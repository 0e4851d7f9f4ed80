#include "brunox/engine/run/PlanShowPlugin.h"

#include "kavra/CDB.h"
#include "kavra/DbmsCodes.h"

namespace {

// The result columns (from 1) of each dialect's plan rows, in PlanRow column order; 0 ends.
constexpr int kPlanTableColumns[PlanRow::kColumns] = {1, 2, 3, 4, 5, 0, 0, 0};
constexpr int kShowplanAllColumns[PlanRow::kColumns] = {1, 5, 6, 9, 10, 11, 12, 13};

}  // namespace

int PlanShowPlugin::Prepare(CDB* db, const std::wstring& statement) {
  db_ = db;
  if (db == nullptr) return kUnsupported;
  switch (db->DBMS) {
    case DBMS_ORACLE:
      if (!CDB::isOK(db->Execute(L"delete from PLAN_TABLE", 0))) return kSetupFailed;
      if (!CDB::isOK(db->Execute(L"EXPLAIN PLAN FOR " + statement, 0))) return kStatementFailed;
      if (!CDB::isOK(db->Execute(
              L"select OPERATION,OPTIONS,OBJECT_OWNER,OBJECT_NAME,OBJECT_TYPE from PLAN_TABLE", 0)))
        return kPlanQueryFailed;
      return kOk;
    case DBMS_MSSQL:
      if (!CDB::isOK(db->Execute(L"SET SHOWPLAN_ALL ON", 0))) return kSetupFailed;
      if (!CDB::isOK(db->Execute(statement, 0))) return kStatementFailed;
      return kOk;
    default:
      return kUnsupported;
  }
}

int PlanShowPlugin::NextRow(PlanRow* row) {
  if (db_ == nullptr || row == nullptr) return 0;
  if (!CDB::isOK(db_->Fetch(0))) return 0;
  const int* columns = db_->DBMS == DBMS_ORACLE  ? kPlanTableColumns
                       : db_->DBMS == DBMS_MSSQL ? kShowplanAllColumns
                                                 : nullptr;
  if (columns == nullptr) return 1;
  for (int i = 0; i < PlanRow::kColumns && columns[i] > 0; ++i)
    db_->GetColumnText(columns[i], &row->Columns[i], nullptr, 0, 0);
  return 1;
}

void PlanShowPlugin::Finish() {
  if (db_ == nullptr || db_->DBMS != DBMS_MSSQL) return;
  db_->CloseCursor(0);
  db_->Execute(L"SET SHOWPLAN_ALL OFF", 0);
}
