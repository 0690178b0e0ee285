#include "app/ErrorHandler.h"

#include <QMessageBox>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>

#include "app/Application.h"
#include "app/DisplayText.h"
#include "dataset/DatabaseError.h"

namespace talvern {
namespace {

const char kErrorCaption[] = "Ошибка";
const char kUnknownError[] = "Неизвестная ошибка";

void ShowMessageBox(const QString& message) {
  QMessageBox::critical(QApplication::activeWindow(), QString::fromUtf8(kErrorCaption), message);
}

// EAbort ends an operation quietly: nothing is shown.
bool IsQuiet(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return true;
  } catch (...) {
    return false;
  }
}

QString DecodeMessage(const char* text) {
  QByteArray bytes(text);
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString message = utf8(bytes);
  if (!utf8.hasError()) return message;
  return DisplayToQString(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

ErrorHandler::ErrorHandler() : presenter_(ShowMessageBox) {}

QString ErrorHandler::MessageText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return DecodeMessage(e.what());
  } catch (...) {
    return QString::fromUtf8(kUnknownError);
  }
}

void ErrorHandler::Handle(std::exception_ptr error) noexcept {
  try {
    if (IsQuiet(error)) return;
    QString message = MessageText(error);
    if (message == onScreen_ || std::find(pending_.begin(), pending_.end(), message) != pending_.end())
      return;
    pending_.push_back(message);
    if (!scheduled_) {
      scheduled_ = true;
      QTimer::singleShot(0, QCoreApplication::instance(), [this] { ShowPending(); });
    }
  } catch (...) {
    // Out of memory while reporting: nothing sensible is left to do.
  }
}

// Messages that arrive while a box is open join the queue of this same pass,
// so that boxes follow one another instead of opening inside each other.
void ErrorHandler::ShowPending() {
  while (!pending_.empty()) {
    onScreen_ = pending_.front();
    pending_.pop_front();
    presenter_(onScreen_);
    onScreen_.clear();
  }
  scheduled_ = false;
}

void HandleException(std::exception_ptr error) noexcept {
  if (IsQuiet(error)) return;
  if (auto* app = dynamic_cast<TalvernApplication*>(QCoreApplication::instance())) {
    app->Errors().Handle(error);
    return;
  }
  qWarning("%s", qPrintable(ErrorHandler::MessageText(error)));
}

}  // namespace talvern
