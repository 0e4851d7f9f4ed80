#pragma once
// A process confined to this machine: the tests and the fuzz targets switch it on before anything
// runs, so that nothing a test or a fuzzer's input names can reach past the machine or start a
// program or library of its choosing. The program itself never switches it on: a process that
// has not done so is allowed everything, at the cost of one atomic load per check.
//
// While confined:
// - web addresses are followed only to loopback hosts (127.0.0.0/8, ::1, localhost), judged on
//   the address as written, before any name is looked up;
// - plug-ins, interpreters and scripts are loaded or started only from the fixture folders the
//   harness names.
// What a database connection leads to is judged where connections are described (the data
// sources of the ODBC set-up), with IsLoopbackHost for its server.
//
// Threads: switch and folders are set before the threads that judge start; judging is safe from
// any number of threads.
#include <string>
#include <string_view>

namespace platform {

// Why something is refused; an empty reason means it is allowed.
struct Verdict {
  std::wstring reason;
  bool Allowed() const { return reason.empty(); }
};

// Switches the confinement on for the rest of the process's life.
void ConfineToThisMachine();
bool ConfinedToThisMachine();
// Adds a folder (it must exist) whose files a confined process may load and start.
void AddFixtureFolder(const std::wstring& folder);

// A refusal of what `why` says, in the confinement's own words.
Verdict Refuse(const std::wstring& why);
// 127.0.0.0/8 in plain dotted decimal, ::1 (with or without brackets) or localhost.
bool IsLoopbackHost(std::wstring_view host);

// A host name or address as written in an address: allowed when it is a loopback one.
Verdict JudgeHost(std::wstring_view host);
// An http, https or ftp address, allowed when it names a loopback host. Anything the judge
// cannot read for certain (a user before the host, another scheme, an address without one) is
// refused.
Verdict JudgeUrl(std::wstring_view url);
// A plug-in, interpreter or script to load or start: allowed when it lies inside a fixture
// folder (after following links and "..").
Verdict JudgeFixturePath(const std::wstring& path);

}  // namespace platform
