#pragma once
// What a page of the main window may ask of the window it sits in. Pages are given this, never
// the window's class, so that a page can be read, built and tested without the main window and
// the window's header does not reach every page. The main window implements it.
class QAction;

class PageHost {
 public:
  // What the dispatcher did with a command id.
  enum class CommandResult {
    Unknown,  // no command has this id
    Refused,  // the command may not run now (a run is under way, or not connected)
    Done,
  };

  // The one dispatcher of menus, toolbar, shortcuts and posted commands (CommandIds.h).
  virtual CommandResult OnCommand(int id) = 0;
  // The window's action of a command (text, tooltip, enabled state); null for an unknown id.
  virtual QAction* Action(int id) const = 0;
  // A run is under way.
  virtual bool Running() const = 0;
  // The main connection is open.
  virtual bool Connected() const = 0;
  // Pages call this on every edit of the project.
  virtual void SetModified() = 0;
  // The connection line of the project page, and the commands that depend on the connection.
  virtual void UpdateStatus() = 0;

 protected:
  // Never deleted through this interface: the window owns its pages, not the other way round.
  ~PageHost() = default;
};
