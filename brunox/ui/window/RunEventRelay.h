#pragma once
// The window's side of a run: the project's RunCallback while the window runs it. Turns the
// runner's events (RunEvents.h) into updates of the console, statistics and graph pages and shows
// the script error dialog.
//
// Threads: kRunIdle comes on the GUI thread, which sits in BrunoxRunner::Run, and lets it handle
// its events. Worker threads (kRunThreadState) only write the lock-free RunRows and never wait;
// the console page shows the rows from its own timer. The master thread adds rows (RunRows is
// safe for that), posts progress and statistics rows to the pages without waiting, and waits
// only for the script error dialog, which a blocking queued call shows on the GUI thread. The
// pages are read on the GUI thread alone.
#include <QPointer>
#include <string>

#include "brunox/engine/project/RunCallback.h"

class BrunoxRunner;
class PageConsole;
class PageGraph;
class PageStat;
class QWidget;
class RunRows;

class RunEventRelay {
 public:
  // Made on the GUI thread before a run. A page that is null (another page stands in its place)
  // gets no events. The window outlives the relay's run.
  RunEventRelay(BrunoxRunner& runner, QWidget& window, PageConsole* console, PageStat* stat,
                PageGraph* graph);
  ~RunEventRelay();
  RunEventRelay(const RunEventRelay&) = delete;
  RunEventRelay& operator=(const RunEventRelay&) = delete;

  // The callback to store in the project; it refers to this object.
  RunCallback Callback();
  // Any thread, as RunEvents.h says.
  int OnEvent(int code, int a, int b, const std::wstring& p, const std::wstring& s);

 private:
  void PostStatisticsRow();
  void ShowScriptError(const std::wstring& error, const std::wstring& statement);

  BrunoxRunner& runner_;
  QWidget& window_;
  RunRows* rows_;  // the console page's, or null
  QPointer<PageConsole> console_;
  QPointer<PageStat> stat_;
  QPointer<PageGraph> graph_;
};
