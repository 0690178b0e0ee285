#include "app/ProtocolWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace talvern {

TProtocolWindow::TProtocolWindow(QWidget* mainWindow, const QString& caption)
    : QWidget(mainWindow, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("ProtocolWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption);
  resize(kWidth, kHeight);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(memo_);
  if (mainWindow) move(mainWindow->geometry().center() - rect().center());
}

void TProtocolWindow::Append(const std::string& line) { memo_->appendPlainText(QString::fromStdString(line)); }

QPointer<TProtocolWindow> OpenProtocolWindow(QWidget* mainWindow, const char* caption) {
  auto* window = new TProtocolWindow(mainWindow, QString::fromUtf8(caption));
  window->show();
  return window;
}

}  // namespace talvern
