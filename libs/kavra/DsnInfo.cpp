#include "kavra/DsnInfo.h"

#include "kavra/CDB.h"
#include "platform/Text.h"

std::wstring DSN_Info::DBMSNameAndVer(CDB* db) {
  if (!db || !db->IsConnected()) return std::wstring();
  return platform::Trim(db->DbmsName + L" " + db->DbmsVersion);
}
