// The general error handler: exceptions that leave an event handler are shown
// with their message, one box at a time, and the program goes on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include "ViewFixture.h"
#include "app/Application.h"
#include "dataset/DatabaseError.h"
#include "engine/Errors.h"

using namespace talvern;

namespace {

// Raises from its event handler, as a window's handler may.
class ThrowingObject : public QObject {
public:
  std::function<void()> raise;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) raise();
    return QObject::event(e);
  }
};

struct ErrorHandlerTest : ::testing::Test {
  ErrorHandler& errors = dynamic_cast<TalvernApplication&>(*QCoreApplication::instance()).Errors();
  std::vector<QString> shown;

  ErrorHandlerTest() {
    errors.SetPresenter([this](const QString& m) { shown.push_back(m); });
  }
  ~ErrorHandlerTest() override { errors.SetPresenter(talvern::testing::UnexpectedError); }

  void Send(std::function<void()> raise) {
    ThrowingObject object;
    object.raise = std::move(raise);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
  }
};

}  // namespace

TEST_F(ErrorHandlerTest, EscapedErrorsAreShownAfterTheHandlerAndTheProgramGoesOn) {
  Send([] { Raise("Cannot find file %s", {"/data/main.dbf"}); });
  EXPECT_TRUE(shown.empty());  // never from inside the failing handler
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, std::vector<QString>{"Cannot find file /data/main.dbf"});

  Send([] { throw std::runtime_error("Ошибка в указании ширины колонки"); });
  Send([] { throw 42; });
  QCoreApplication::processEvents();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[1], QString::fromUtf8("Ошибка в указании ширины колонки"));
  EXPECT_EQ(shown[2], QString::fromUtf8("Неизвестная ошибка"));
}

TEST_F(ErrorHandlerTest, ARepeatedMessageWaitsOnceAndBoxesDoNotNest) {
  int depth = 0;
  int deepest = 0;
  errors.SetPresenter([&](const QString& m) {
    ++depth;
    deepest = std::max(deepest, depth);
    shown.push_back(m);
    // A box runs its own event loop; errors arriving meanwhile wait their turn.
    if (m == "first") errors.Handle(std::make_exception_ptr(std::runtime_error("second")));
    QCoreApplication::processEvents();
    --depth;
  });
  errors.Handle(std::make_exception_ptr(std::runtime_error("first")));
  errors.Handle(std::make_exception_ptr(std::runtime_error("first")));
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, (std::vector<QString>{"first", "second"}));
  EXPECT_EQ(deepest, 1);
}

TEST_F(ErrorHandlerTest, AnAbortedOperationShowsNothing) {
  Send([] { throw EAbort(); });
  HandleException(std::make_exception_ptr(EAbort()));
  QCoreApplication::processEvents();
  EXPECT_TRUE(shown.empty());
}
