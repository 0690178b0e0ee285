#pragma once
// Driving windows as a user does. WithModal: the command that shows a modal
// window runs, and while the window is up (in its own event loop) the test
// acts on it; a window the actions leave open is cancelled, so that a failing
// test never waits for a click. TypeText: keys typed one by one, Cyrillic
// too ("\b" is Backspace), the events they cause handled after each.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>

namespace talvern::testing {

template <class Window>
void WithModal(const std::function<void()>& command, const std::function<void(Window&)>& act) {
  bool shown = false;
  QTimer timer;  // gone with this scope, so it never fires into another test
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
    if (window == nullptr) return;
    shown = true;
    act(*window);
    if (window->isVisible()) window->reject();
  });
  timer.start(0);
  command();
  EXPECT_TRUE(shown) << "the command showed no such window";
}

inline void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c == QLatin1Char('\b')) QTest::keyClick(widget, Qt::Key_Backspace);
    else QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCoreApplication::processEvents();
  }
}

}  // namespace talvern::testing
