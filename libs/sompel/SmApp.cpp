#include "sompel/SmApp.h"

#include <sys/stat.h>

#include <string>
#include <utility>

#include "mervis/Log.h"
#include "mervis/Settings.h"
#include "mervis/XmlWriter.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

// Set by SetHelpFolder; the window's thread alone reads and writes it.
std::wstring& HelpFolderOverride() {
  static std::wstring folder;
  return folder;
}

}  // namespace

CSmApp::CSmApp() : programFolder_(platform::ProgramFolder()) {}

std::wstring CSmApp::HelpFolder() {
  const std::wstring& chosen = HelpFolderOverride();
  return chosen.empty() ? platform::JoinPath(platform::ProgramFolder(), L"help") : chosen;
}

void CSmApp::SetHelpFolder(const std::wstring& folder) { HelpFolderOverride() = folder; }

bool CSmApp::ShowHtmlHelp(const std::wstring& topic) {
  const std::wstring file = platform::JoinPath(HelpFolder(), topic.empty() ? L"index.html" : topic);
  if (platform::FileExists(file)) {
    platform::Ui().OpenWithDesktop(file);
    return true;
  }
  platform::Ui().MessageBox(L"No help is installed for this: " + file + L" was not found.", L"Help",
                            platform::MsgButtons::Ok, platform::MsgIcon::Information);
  return false;
}

CSmApp::~CSmApp() = default;

int CSmApp::Run(int argc, char** argv) {
  arguments_.clear();
  for (int i = 1; i < argc; ++i) arguments_.push_back(platform::FromUtf8(argv[i]));
  return InitInstance();
}

void CSmApp::ParseParam(const std::wstring&) {}

void CSmApp::ParseParams() {
  for (const std::wstring& arg : arguments_) ParseParam(arg);
}

void CSmApp::Initialize(_Settings* mainSettings, const std::wstring& title) {
  mainSettings_ = mainSettings;
  title_ = title;
  int level = 0;
  std::wstring path;
  if (mainSettings_) {
    level = mainSettings_->getInt(L"LogLevel");
    path = CLog::DecodePath(mainSettings_->getStr(L"LogFilePath"));
    if (mainSettings_->getInt(L"TruncateBigLog")) {
      const std::wstring logPath =
          path.empty() ? platform::JoinPath(platform::StateFolder(), L"brunox.log") : path;
      struct stat st {};
      const long long limit = static_cast<long long>(mainSettings_->getInt(L"TruncateSize")) << 20;
      if (limit > 0 && ::stat(platform::NativePath(logPath).c_str(), &st) == 0 &&
          st.st_size > limit)
        platform::RemoveFile(logPath);
    }
  }
  CLog::Open(path, level);
}

bool CSmApp::RegisterFileType(const std::wstring& description, const std::wstring& extension) {
  const std::wstring ext = platform::TrimLeft(extension, L".");
  if (ext.empty()) return false;
  const std::wstring data = platform::DataHome();
  const std::wstring mimeType = L"application/x-brunox-" + platform::ToLower(ext);
  const std::wstring mimeFile = data + L"/mime/packages/brunox-" + platform::ToLower(ext) + L".xml";
  const std::wstring desktopFile = data + L"/applications/brunox.desktop";

  const std::string mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + platform::ToUtf8(XmlWriter::EscapeAttribute(mimeType)) + "\">\n"
      "    <comment>" + platform::ToUtf8(XmlWriter::EscapeText(description)) + "</comment>\n"
      "    <glob pattern=\"*." + platform::ToUtf8(XmlWriter::EscapeAttribute(ext)) + "\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  // Exec quotes the program path, as desktop entries require for paths with blanks.
  const std::string desktop =
      "[Desktop Entry]\nType=Application\nName=" + platform::ToUtf8(title_.empty() ? L"brunox" : title_) +
      "\nExec=\"" + platform::ToUtf8(platform::JoinPath(programFolder_, L"brunox")) +
      "\" %f\nMimeType=" + platform::ToUtf8(mimeType) + ";\nTerminal=false\nNoDisplay=true\n";
  // A registration that says what it should is left alone: every start would otherwise rebuild the
  // desktop's database. A file missing or saying something else (the program moved, another
  // description) is written, and the database rebuilt once.
  bool changed = false;
  for (const auto& [file, content] : {std::pair{mimeFile, mime}, {desktopFile, desktop}}) {
    std::string current;
    if (platform::ReadFileBytes(file, current) && current == content) continue;
    if (!platform::MakeDirectories(platform::FolderPart(file)) ||
        !platform::WriteFileBytes(file, content)) {
      CLog::Bug2(L"CSmApp::RegisterFileType: could not write " + file);
      return false;
    }
    changed = true;
  }
  // A missing tool is not an error: the desktop then finds the type at its next rebuild.
  if (changed) platform::Ui().StartProgram(L"update-mime-database", {data + L"/mime"});
  return true;
}

void CSmApp::ConsoleWrite(const std::wstring& text, int) { platform::Ui().ConsoleWrite(text); }

void CSmApp::Terminate() { CLog::Close(); }
