#pragma once
// The application's general error handler. An exception that leaves an event
// handler (an ETalvernError of the engine, or any other) is shown to the user
// in a message box with its message, and the program goes on. EAbort, the
// dataset's quiet end of an operation, shows nothing.
//
// Qt's widget libraries are built without exception support, so an exception
// must not unwind through Qt's own frames. Our widgets therefore catch at their
// event entry points and hand the exception here (RunGuarded); the
// application's notify override (TalvernApplication) is the last resort for the
// rest. The box is shown from the event loop, not from inside the failing
// handler: a failed paint must not open a modal loop in the middle of painting.

#include <QString>
#include <deque>
#include <exception>
#include <functional>

namespace talvern {

class ErrorHandler {
public:
  // Shows one message to the user; the default opens a message box.
  using Presenter = std::function<void(const QString& message)>;

  ErrorHandler();

  // Takes an exception that escaped an event handler and schedules its
  // message. A message equal to one waiting or on screen is not repeated.
  void Handle(std::exception_ptr error) noexcept;

  // Replaces the message box (tests collect the messages instead).
  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }

  // The text shown for an exception. Messages are UTF-8; bytes that are not
  // valid UTF-8 are read as code page 1251 (texts of the tables).
  static QString MessageText(std::exception_ptr error);

private:
  void ShowPending();

  Presenter presenter_;
  std::deque<QString> pending_;
  QString onScreen_;
  bool scheduled_ = false;
};

// Hands an exception to the running application's handler; without a
// TalvernApplication the message goes to the Qt warning log.
void HandleException(std::exception_ptr error) noexcept;

// Runs an event handler's body; what it raises goes to HandleException.
template <class F>
void RunGuarded(F&& body) noexcept {
  try {
    body();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

}  // namespace talvern
