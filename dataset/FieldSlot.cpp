#include "dataset/FieldSlot.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace talvern {

int FieldSlotDataSize(TFieldType type, int size) {
  switch (type) {
    case ftString:
      return std::max(size, 0) + 1;
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftDateTime:
      return 8;
    case ftBoolean:
      return 1;
    default:
      return 0;
  }
}

bool ReadFieldSlot(const std::uint8_t* slot, TFieldType type, int size, FieldValue& value) {
  value = std::monostate{};
  if (slot[0] == 0) return false;
  const std::uint8_t* data = slot + 1;
  switch (type) {
    case ftString: {
      const char* text = reinterpret_cast<const char*>(data);
      value = std::string(text, strnlen(text, static_cast<std::size_t>(FieldSlotDataSize(type, size))));
      return true;
    }
    case ftSmallint:
    case ftInteger:
    case ftLargeint: {
      std::int64_t n;
      std::memcpy(&n, data, sizeof n);
      value = n;
      return true;
    }
    case ftBoolean:
      value = data[0] != 0;
      return true;
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftDateTime: {
      double d;
      std::memcpy(&d, data, sizeof d);
      value = d;
      return true;
    }
    default:
      return false;
  }
}

void WriteFieldSlot(std::uint8_t* slot, TFieldType type, int size, const FieldValue& value) {
  std::size_t dataSize = static_cast<std::size_t>(FieldSlotDataSize(type, size));
  std::memset(slot, 0, 1 + dataSize);
  std::uint8_t* data = slot + 1;
  switch (type) {
    case ftString: {
      auto text = std::get_if<std::string>(&value);
      if (text == nullptr) return;
      std::memcpy(data, text->data(), std::min(text->size(), dataSize - 1));
      break;
    }
    case ftSmallint:
    case ftInteger:
    case ftLargeint: {
      auto n = std::get_if<std::int64_t>(&value);
      if (n == nullptr) return;
      std::memcpy(data, n, sizeof *n);
      break;
    }
    case ftBoolean: {
      auto b = std::get_if<bool>(&value);
      if (b == nullptr) return;
      data[0] = *b ? 1 : 0;
      break;
    }
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftDateTime: {
      auto d = std::get_if<double>(&value);
      if (d == nullptr) return;
      std::memcpy(data, d, sizeof *d);
      break;
    }
    default:
      return;
  }
  slot[0] = 1;
}

}  // namespace talvern
