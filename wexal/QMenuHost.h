#pragma once
// The host's version-control menu as a Qt menu: each command is a QAction whose data() holds the
// command identifier, in the menu or any of its sub-menus.
#include <QPointer>

#include "wexal/WexalApi.h"

class QMenu;

namespace wexal {

class WEXAL_EXPORT QMenuHost : public HostMenu {
 public:
  // `menu` is not owned; a menu deleted meanwhile is simply no longer changed.
  explicit QMenuHost(QMenu* menu);
  void Enable(int commandId, bool enabled) override;

 private:
  QPointer<QMenu> menu_;
};

}  // namespace wexal
