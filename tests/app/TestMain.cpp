// The widget tests run inside the catalogue's own application object, so that
// errors escaping an event handler reach the general error handler as they do
// in the program. They need no display: the offscreen platform is used unless
// another one is asked for. An error shown that no test collects fails the
// test that caused it (a message box would wait for a click forever).
#include <gtest/gtest.h>

#include "ViewFixture.h"
#include "app/Application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  talvern::TalvernApplication app(argc, argv);
  app.Errors().SetPresenter(talvern::testing::UnexpectedError);
  return RUN_ALL_TESTS();
}
