#pragma once
// The catalogue's QApplication: it owns the general error handler and catches
// every exception that escapes an event handler, so that the user sees the
// message and the program goes on.

#include <QApplication>

#include "app/ErrorHandler.h"

namespace talvern {

// The program's title: the application's name and the main window's caption.
inline constexpr char kProgramTitle[] = "Справочник";

class TalvernApplication : public QApplication {
public:
  TalvernApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  ErrorHandler& Errors() { return errors_; }

private:
  ErrorHandler errors_;
};

}  // namespace talvern
