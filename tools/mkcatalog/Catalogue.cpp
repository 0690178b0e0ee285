#include "tools/mkcatalog/Catalogue.h"

namespace talvern::mkcatalog {

namespace {

constexpr int kCodeDigits = 3;
constexpr std::string_view kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

bool IsDrawingCode(std::string_view code) {
  if (code.size() != kCodeDigits) return false;
  for (char ch : code)
    if (kDigits.find(ch) == std::string_view::npos) return false;
  return true;
}

}  // namespace talvern::mkcatalog
