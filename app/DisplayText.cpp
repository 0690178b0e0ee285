#include "app/DisplayText.h"

namespace talvern {

// Until the platform layer's code page tables are in, only ASCII passes.
QString DisplayToQString(std::string_view text1251) {
  QString result;
  result.reserve(static_cast<qsizetype>(text1251.size()));
  for (unsigned char c : text1251) result.append(c < 0x80 ? QChar(c) : QChar(QChar::ReplacementCharacter));
  return result;
}

std::string QStringToDisplay(const QString& text) {
  std::string result;
  result.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) result.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
  return result;
}

}  // namespace talvern
