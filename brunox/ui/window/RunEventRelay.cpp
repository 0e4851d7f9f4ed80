#include "brunox/ui/window/RunEventRelay.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QWidget>
#include <vector>

#include "brunox/engine/run/BrunoxRunner.h"
#include "brunox/engine/project/RunEvents.h"
#include "brunox/ui/run/PageConsole.h"
#include "brunox/ui/run/PageGraph.h"
#include "brunox/ui/run/PageStat.h"
#include "brunox/ui/run/RunRows.h"
#include "platform/UiServices.h"
#include "sompel/ErrorDlg.h"
#include "sompel/QtUi.h"

RunEventRelay::RunEventRelay(BrunoxRunner& runner, QWidget& window, PageConsole* console,
                             PageStat* stat, PageGraph* graph)
    : runner_(runner),
      window_(window),
      rows_(console ? &console->Rows() : nullptr),
      console_(console),
      stat_(stat),
      graph_(graph) {}

RunEventRelay::~RunEventRelay() = default;

RunCallback RunEventRelay::Callback() {
  return [this](int code, int a, int b, const std::wstring& p, const std::wstring& s) {
    return OnEvent(code, a, b, p, s);
  };
}

int RunEventRelay::OnEvent(int code, int a, int b, const std::wstring& p, const std::wstring& s) {
  switch (code) {
    case kRunIdle:
      QCoreApplication::processEvents();
      return 0;
    case kRunThreadState:
      if (rows_) rows_->SetState(a, b);
      return 0;
    case kRunAddThreadRow:
      // Without the console page every thread shares row 0, as in console mode.
      return rows_ ? rows_->Add(p, a) : 0;
    case kRunProgress:
      if (console_) {
        // The exact time for the rate, read here on the master thread as the counts are.
        const double elapsed = runner_.Timer.Seconds();
        QMetaObject::invokeMethod(
            console_.data(),
            [page = console_, a, elapsed, b] {
              if (page) page->SetProgress(a, elapsed, b);
            },
            Qt::QueuedConnection);
      }
      return 0;
    case kRunStatisticsReady:
      PostStatisticsRow();
      return 0;
    case kRunScriptError:
      ShowScriptError(p, s);
      // The runner then skips the rest of the script.
      return 0;
    default:
      return 0;
  }
}

void RunEventRelay::PostStatisticsRow() {
  // The ring belongs to the master thread, which calls this: the values are taken here and only
  // copies cross to the GUI thread.
  const int period = runner_.Tick;
  std::vector<int> values;
  const int series = runner_.StatSeriesCount();
  values.reserve(series);
  for (int i = 0; i < series; ++i) values.push_back(runner_.GetStatValue(i, -1));
  if (stat_) {
    QMetaObject::invokeMethod(
        stat_.data(),
        [page = stat_, period, values = std::move(values)] {
          if (page) page->AddPeriodRow(period, values);
        },
        Qt::QueuedConnection);
  }
  if (graph_) {
    QMetaObject::invokeMethod(
        graph_.data(),
        [page = graph_, snapshot = StatSnapshot::Of(runner_)] {
          if (page) page->Show(snapshot);
        },
        Qt::QueuedConnection);
  }
}

void RunEventRelay::ShowScriptError(const std::wstring& error, const std::wstring& statement) {
  if (QtUiServices::Unattended()) {
    platform::Ui().MessageBox(error + L"\nStatement: " + statement, L"Script error",
                              platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return;
  }
  auto show = [this, error = QString::fromStdWString(error),
               statement = QString::fromStdWString(statement)] {
    CErrorDlg dialog(error, statement, &window_);
    dialog.exec();
  };
  if (QThread::currentThread() == window_.thread()) {
    show();
    return;
  }
  // The GUI thread handles the call in its idle callback and the master thread waits for the
  // answer, as the dialog is modal for the run too.
  QMetaObject::invokeMethod(&window_, show, Qt::BlockingQueuedConnection);
}
