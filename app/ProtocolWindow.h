#pragma once
// The protocol window of the import and of the drawing update: a window of
// 500 x 350 beside the main window (not modal, staying on top, centred on
// the main window when it opens), holding a read-only text with both scroll
// bars to which the command appends its lines as they come. Closing it
// destroys it; lines that come after that are dropped.

#include <QPointer>
#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace talvern {

class TProtocolWindow : public QWidget {
public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 350;

  TProtocolWindow(QWidget* mainWindow, const QString& caption);

  QPlainTextEdit* Memo() const { return memo_; }
  // Appends a line (UTF-8).
  void Append(const std::string& line);

private:
  QPlainTextEdit* memo_;
};

// Opens a protocol window with the caption (UTF-8), shown; it destroys
// itself when closed, which clears the pointer.
QPointer<TProtocolWindow> OpenProtocolWindow(QWidget* mainWindow, const char* caption);

}  // namespace talvern
