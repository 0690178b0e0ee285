#pragma once
// The one place where text crosses between the program and Qt: the dataset
// hands text as bytes in the display code page 1251, widgets take QString. The
// code page itself is the platform layer's.

#include <QString>
#include <string>
#include <string_view>

namespace talvern {

QString DisplayToQString(std::string_view text1251);
// Characters that code page 1251 lacks become a look-alike, or "?" when there
// is none.
std::string QStringToDisplay(const QString& text);

}  // namespace talvern
