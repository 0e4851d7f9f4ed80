#include "wexal/QMenuHost.h"

#include <QAction>
#include <QMenu>

namespace wexal {

namespace {

void EnableIn(QMenu* menu, int commandId, bool enabled) {
  for (QAction* action : menu->actions()) {
    if (QMenu* sub = action->menu()) {
      EnableIn(sub, commandId, enabled);
      continue;
    }
    bool ok = false;
    const int id = action->data().toInt(&ok);
    if (ok && id == commandId) action->setEnabled(enabled);
  }
}

}  // namespace

QMenuHost::QMenuHost(QMenu* menu) : menu_(menu) {}

void QMenuHost::Enable(int commandId, bool enabled) {
  if (menu_ != nullptr) EnableIn(menu_, commandId, enabled);
}

}  // namespace wexal
