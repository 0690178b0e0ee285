#include "app/Application.h"

namespace talvern {

TalvernApplication::TalvernApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TalvernApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    errors_.Handle(std::current_exception());
    return true;
  }
}

}  // namespace talvern
