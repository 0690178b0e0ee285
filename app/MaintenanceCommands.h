#pragma once
// The main window's maintenance commands: export of the loaded kind to a
// text table file, import of a table file with its protocol window and its
// question dialog, reloading the drawings from a folder of GIF files, and
// releasing the drawings no device uses. The work itself is impexp's; this
// class asks for the file, opens the windows, resets and restores the
// navigation, and keeps the window painting while a command runs (user
// input waits until it ends).
//
// It also keeps the drawing folder: chosen by the drawing update, used by
// the import for the drawings it loads until the program ends.

#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <string>

#include "impexp/MaintenanceCatalogue.h"
#include "impexp/MaintenanceHost.h"

namespace talvern {

class Catalogue;
class TMainForm;
class TProtocolWindow;

class MaintenanceCommands : private impexp::MaintenanceHost {
public:
  explicit MaintenanceCommands(TMainForm& form);
  ~MaintenanceCommands() override;

  void M_ExportClick();
  void M_ImportClick();
  void M_PicUpdateClick();
  void M_OptimizeClick();

  const std::string& DrawingFolder() const { return drawingFolder_; }

private:
  // The host of the command running: the protocol window, the question
  // dialog, the status bar.
  void Protocol(const std::string& line) override;
  Answer AskReplace(const std::string& item) override;
  void Progress(const std::string& text) override;
  // Lets the windows repaint, at most every few tens of milliseconds.
  void KeepPainting(bool now);

  TMainForm& form_;
  std::unique_ptr<impexp::MaintenanceCatalogue> catalogue_;
  std::string drawingFolder_;
  QPointer<TProtocolWindow> protocol_;
  QElapsedTimer sincePaint_;
};

}  // namespace talvern
