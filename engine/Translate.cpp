#include "engine/Translate.h"

#include "platform/CodePage.h"

namespace talvern {

namespace {

std::uint8_t SystemToOem(int c) {
  char in = static_cast<char>(c), out;
  platform::CharToOemBuff(&in, &out, 1);
  return static_cast<std::uint8_t>(out);
}

std::uint8_t SystemToAnsi(int c) {
  char in = static_cast<char>(c), out;
  platform::OemToCharBuff(&in, &out, 1);
  return static_cast<std::uint8_t>(out);
}

TranslationTables Build() {
  TranslationTables t{};
  std::array<bool, 256> used{};
  for (int c = 0; c <= 32; ++c) t.ansiToOem[c] = static_cast<std::uint8_t>(c);
  for (int c = 33; c < 256; ++c) {
    std::uint8_t oem = SystemToOem(c);
    t.ansiToOem[c] = (SystemToAnsi(oem) == c && oem >= 33) ? oem : 0;
  }
  for (int c = 33; c < 256; ++c) {
    std::uint8_t oem = t.ansiToOem[c];
    if (oem == 0) continue;
    if (used[oem]) t.ansiToOem[c] = 0;
    else used[oem] = true;
  }
  for (int c = 33; c < 256; ++c) {
    if (t.ansiToOem[c] == 0 && !used[c]) {
      t.ansiToOem[c] = static_cast<std::uint8_t>(c);
      used[c] = true;
    }
  }
  int next = 33;
  for (int c = 33; c < 256; ++c) {
    if (t.ansiToOem[c] != 0) continue;
    while (next < 256 && used[next]) ++next;
    t.ansiToOem[c] = static_cast<std::uint8_t>(next);
    used[next] = true;
  }
  for (int c = 0; c < 256; ++c) t.oemToAnsi[c] = static_cast<std::uint8_t>(c);
  for (int c = 33; c < 256; ++c) t.oemToAnsi[t.ansiToOem[c]] = static_cast<std::uint8_t>(c);
  return t;
}

}  // namespace

const TranslationTables& Translation() {
  static const TranslationTables tables = Build();
  return tables;
}

void AnsiToOemInPlace(std::uint8_t* text, std::size_t count) {
  const auto& t = Translation().ansiToOem;
  for (std::size_t i = 0; i < count; ++i) text[i] = t[text[i]];
}

void OemToAnsiInPlace(std::uint8_t* text, std::size_t count) {
  const auto& t = Translation().oemToAnsi;
  for (std::size_t i = 0; i < count; ++i) text[i] = t[text[i]];
}

std::string AnsiToOem(std::string_view text) {
  std::string out(text);
  AnsiToOemInPlace(reinterpret_cast<std::uint8_t*>(out.data()), out.size());
  return out;
}

std::string OemToAnsi(std::string_view text) {
  std::string out(text);
  OemToAnsiInPlace(reinterpret_cast<std::uint8_t*>(out.data()), out.size());
  return out;
}

}  // namespace talvern
