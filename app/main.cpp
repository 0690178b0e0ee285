// The catalogue program: the application with its general error handler, the
// main window, the event loop until the main window closes.
#include "app/Application.h"
#include "app/MainForm.h"

int main(int argc, char** argv) {
  talvern::TalvernApplication app(argc, argv);
  QCoreApplication::setApplicationName(QString::fromUtf8(talvern::kProgramTitle));
  talvern::TMainForm mainForm;
  mainForm.show();
  return QCoreApplication::exec();
}
