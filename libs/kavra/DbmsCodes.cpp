#include "kavra/DbmsCodes.h"

#include "platform/Text.h"

int DbmsCodeFromName(const std::wstring& dbmsName) {
  struct Entry {
    const wchar_t* part;
    int code;
  };
  // Order matters: the first entry whose text is part of the name wins.
  static const Entry kTable[] = {
      {L"oracle", DBMS_ORACLE},         {L"microsoft sql server", DBMS_MSSQL},
      {L"sqlite", DBMS_SQLITE},         {L"postgresql", DBMS_POSTGRESQL},
      {L"mariadb", DBMS_MARIADB},       {L"mysql", DBMS_MYSQL},
      {L"access", DBMS_ACCESS},         {L"excel", DBMS_EXCEL},
  };
  const std::wstring lower = platform::ToLower(dbmsName);
  for (const Entry& e : kTable)
    if (lower.find(e.part) != std::wstring::npos) return e.code;
  return DBMS_OTHER;
}
