#include "app/DisplayText.h"

#include "platform/CodePage.h"

namespace talvern {

QString DisplayToQString(std::string_view text1251) {
  return QString::fromStdString(platform::AnsiToUtf8(text1251));
}

std::string QStringToDisplay(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  return platform::Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace talvern
