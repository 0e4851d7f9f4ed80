#include "kavra/ConnInfo.h"

#include <vector>

#include "kavra/ConnString.h"
#include "mervis/SysReg.h"
#include "platform/Text.h"

namespace {

constexpr wchar_t kPackSeparator = L'|';
constexpr size_t kPackFields = 7;

std::wstring EscapeField(const std::wstring& s) {
  std::wstring out;
  out.reserve(s.size());
  for (wchar_t c : s) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case kPackSeparator: out += L"\\|"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// Splits a packed line into unescaped fields; false on a dangling or unknown escape.
bool SplitPacked(const std::wstring& packed, std::vector<std::wstring>* fields) {
  fields->assign(1, std::wstring());
  for (size_t i = 0; i < packed.size(); ++i) {
    wchar_t c = packed[i];
    if (c == kPackSeparator) {
      fields->emplace_back();
    } else if (c == L'\\') {
      if (++i >= packed.size()) return false;
      switch (packed[i]) {
        case L'\\': fields->back() += L'\\'; break;
        case kPackSeparator: fields->back() += kPackSeparator; break;
        case L'n': fields->back() += L'\n'; break;
        case L'r': fields->back() += L'\r'; break;
        default: return false;
      }
    } else {
      fields->back() += c;
    }
  }
  return true;
}

bool ParseSmallInt(const std::wstring& s, int* out) {
  long long v = 0;
  if (!platform::ParseInt64(s, v) || v < -1000000 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

// The connection string with the values of PWD and Password replaced by "***".
std::wstring HidePasswords(const std::wstring& s) {
  std::wstring out;
  size_t copied = 0;
  for (const ConnStringPart& part : ParseConnString(s)) {
    if (!platform::EqualsNoCase(part.Key, L"PWD") && !platform::EqualsNoCase(part.Key, L"Password"))
      continue;
    out.append(s, copied, part.ValueBegin - copied);
    out += L"***";
    copied = part.ValueEnd;
  }
  out.append(s, copied, std::wstring::npos);
  return out;
}

}  // namespace

bool CONN_INFO::operator==(const CONN_INFO& o) const {
  return Kind == o.Kind && Dsn == o.Dsn && User == o.User && Password == o.Password &&
         ConnString == o.ConnString && ManualCommit == o.ManualCommit && DsType == o.DsType;
}

void CONN_INFO::Empty() { *this = CONN_INFO(); }

bool CONN_INFO::IsEmpty() const {
  switch (Kind) {
    case CONN_DSN: return Dsn.empty();
    case CONN_STRING: return ConnString.empty();
    default: return true;
  }
}

std::wstring CONN_INFO::ConInfo() const {
  switch (Kind) {
    case CONN_DSN: return User.empty() ? L"DSN=" + Dsn : L"DSN=" + Dsn + L";UID=" + User;
    case CONN_STRING: return HidePasswords(ConnString);
    default: return std::wstring();
  }
}

std::wstring CONN_INFO::Pack() const {
  const std::wstring sep(1, kPackSeparator);
  return platform::FromInt(Kind) + sep + EscapeField(Dsn) + sep + EscapeField(User) + sep +
         EscapeField(Password) + sep + EscapeField(ConnString) + sep +
         platform::FromInt(ManualCommit) + sep + platform::FromInt(DsType);
}

bool CONN_INFO::Unpack(const std::wstring& packed) {
  std::vector<std::wstring> f;
  if (!SplitPacked(packed, &f) || f.size() != kPackFields) return false;
  CONN_INFO read;
  if (!ParseSmallInt(f[0], &read.Kind) || read.Kind < CONN_NONE || read.Kind > CONN_DSN)
    return false;
  if (!ParseSmallInt(f[5], &read.ManualCommit) || !ParseSmallInt(f[6], &read.DsType)) return false;
  read.Dsn = f[1];
  read.User = f[2];
  read.Password = f[3];
  read.ConnString = f[4];
  *this = read;
  return true;
}

// The password is stored as written: the settings and project files are the user's own, and the
// connection has to be re-opened unattended from them.
void CONN_INFO::Load(CSysReg* reg, const std::wstring& section) {
  if (!reg) return;
  reg->Section(section, 0);
  CONN_INFO def;
  Kind = reg->Read(L"Kind", def.Kind);
  Dsn = reg->Read(L"Dsn", def.Dsn);
  User = reg->Read(L"User", def.User);
  Password = reg->Read(L"Password", def.Password);
  ConnString = reg->Read(L"ConnString", def.ConnString);
  ManualCommit = reg->Read(L"ManualCommit", def.ManualCommit);
  DsType = reg->Read(L"DsType", def.DsType);
}

void CONN_INFO::Save(CSysReg* reg, const std::wstring& section) const {
  if (!reg) return;
  reg->Section(section, 0);
  reg->Save(L"Kind", Kind);
  reg->Save(L"Dsn", Dsn);
  reg->Save(L"User", User);
  reg->Save(L"Password", Password);
  reg->Save(L"ConnString", ConnString);
  reg->Save(L"ManualCommit", ManualCommit);
  reg->Save(L"DsType", DsType);
}
