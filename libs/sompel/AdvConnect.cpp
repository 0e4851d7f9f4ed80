#include "sompel/AdvConnect.h"

#include "kavra/CDB.h"
#include "kavra/ConnString.h"
#include "mervis/Log.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace {

// A driver may quote what it was given in its messages; the program log never gets a password.
std::wstring WithoutPasswords(std::wstring text, const CONN_INFO& info) {
  const std::wstring secrets[] = {info.Password, ConnStringValue(info.ConnString, L"PWD"),
                                  ConnStringValue(info.ConnString, L"Password")};
  for (const std::wstring& secret : secrets)
    if (!secret.empty()) text = platform::ReplaceAll(text, secret, L"***");
  return text;
}

}  // namespace

bool CAdvConnect::LoadProfile(const std::wstring& path, CONN_INFO& info) {
  if (!platform::FileExists(path)) return false;
  CSysReg reg(path, 0);
  const wchar_t* section = reg.HasSection(L"Connection") ? L"Connection" : L"DefConnection";
  if (!reg.HasSection(section)) return false;
  CONN_INFO loaded;
  loaded.Load(&reg, section);
  if (loaded.IsEmpty()) return false;
  info = loaded;
  return true;
}

int CAdvConnect::DoConnect(CDB* target, const std::wstring* profile, int /*console*/) {
  CLog::State(L"CAdvConnect::DoConnect");
  if (!target) {
    CLog::State(nullptr);
    return -3;
  }
  CONN_INFO info = target->Info;
  if (profile && !profile->empty()) {
    if (!LoadProfile(*profile, info)) {
      target->ErrorText = L"The connection profile '" + *profile + L"' holds no connection.";
      CLog::Bug2(target->ErrorText);
      CLog::State(nullptr);
      return -10;
    }
  }
  if (target->IsConnected()) target->CloseConnection();
  const int rc = target->OpenConnection(&info);
  if (CDB::isOK(rc)) {
    Info = info;
  } else {
    CLog::Bug(L"Could not connect to '" + info.ConInfo() + L"'",
              WithoutPasswords(target->ErrorText, info), __FILE__, __LINE__);
  }
  CLog::State(nullptr);
  return rc;
}
