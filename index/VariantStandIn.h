#pragma once
// The interface of the expression engine's typed value TvxVariant, for the
// index declarations while the expression engine is not yet in the tree.
// Removed when expr/Variant.h arrives; nothing here is implemented.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace talvern {

enum class VariantType : std::uint8_t { None = 0, Text = 1, Double = 2, Date = 3, Boolean = 4, Raw = 5 };

class TvxVariant {
public:
  explicit TvxVariant(std::uint16_t = 0) {}
  TvxVariant(const TvxVariant&) {}
  TvxVariant& operator=(const TvxVariant&) { return *this; }
  virtual ~TvxVariant() = default;

  const std::uint8_t* Data() const { return nullptr; }
  std::int32_t Length() const { return 0; }
  VariantType Type() const { return VariantType::None; }
  std::string_view View() const { return {}; }
  void SetText(std::string_view) {}
  void SetDouble(double) {}
  void SetDate(std::int32_t) {}
  void SetBytes(const void*, std::int32_t) {}
};

}  // namespace talvern
