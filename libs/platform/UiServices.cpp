#include "platform/UiServices.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>

#include "platform/Process.h"
#include "platform/Text.h"

namespace platform {

namespace {

std::atomic<UiServices*> g_installed{nullptr};

// Never destroyed: code running during exit may still report through Ui().
ConsoleUi& DefaultUi() {
  static ConsoleUi* const console = new ConsoleUi;
  return *console;
}

// One write per message so that lines from several threads do not interleave.
void WriteTo(FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

namespace {

std::mutex g_handedMutex;
std::set<std::wstring>& Handed() {
  static std::set<std::wstring>* const handed = new std::set<std::wstring>;
  return *handed;
}

}  // namespace

bool UiServices::OpenWithDesktop(const std::wstring& path, const std::wstring& advice) {
  {
    std::lock_guard lock(g_handedMutex);
    Handed().insert(path);
  }
  return OpenWithDesktopNow(path, advice);
}

bool HandedToDesktop(const std::wstring& path) {
  std::lock_guard lock(g_handedMutex);
  return Handed().count(path) != 0;
}

MsgAnswer FirstAnswer(MsgButtons buttons) {
  return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgAnswer::Ok
                                                                      : MsgAnswer::Yes;
}

MsgAnswer ConsoleUi::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                 MsgButtons buttons, MsgIcon /*icon*/, MsgAnswer /*defaultAnswer*/) {
  WriteTo(stderr, ToUtf8(L"[" + caption + L"] " + text + L"\n"));
  // Nobody is there to answer: take the choice that changes nothing.
  switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel: return MsgAnswer::Cancel;
    case MsgButtons::YesNo: return MsgAnswer::No;
    case MsgButtons::Ok: break;
  }
  return MsgAnswer::Ok;
}

bool ConsoleUi::OpenFileDialog(const FileDialogRequest& /*request*/, std::wstring& /*path*/) {
  return false;
}

bool ConsoleUi::SaveFileDialog(const FileDialogRequest& /*request*/, std::wstring& /*path*/) {
  return false;
}

bool ConsoleUi::FolderDialog(const std::wstring& /*title*/, std::wstring& /*path*/) {
  return false;
}

void ConsoleUi::PumpMessages() {}

bool ConsoleUi::OpenWithDesktopNow(const std::wstring& path, const std::wstring& /*advice*/) {
  return SpawnDetached(L"xdg-open", {path});
}

bool ConsoleUi::StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) {
  return SpawnDetached(program, args);
}

void ConsoleUi::ConsoleWrite(const std::wstring& text) { WriteTo(stdout, ToUtf8(text)); }

UiServices& Ui() {
  UiServices* installed = g_installed.load(std::memory_order_acquire);
  return installed ? *installed : DefaultUi();
}

UiServices* SetUi(UiServices* ui) {
  UiServices* previous = g_installed.exchange(ui, std::memory_order_acq_rel);
  return previous ? previous : &DefaultUi();
}

}  // namespace platform
