#pragma once
// The one place where text crosses between the program and Qt: the dataset
// hands text as bytes in the display code page 1251, widgets take QString.

#include <QString>
#include <string>
#include <string_view>

namespace talvern {

QString DisplayToQString(std::string_view text1251);
// Characters that code page 1251 lacks become "?".
std::string QStringToDisplay(const QString& text);

}  // namespace talvern
