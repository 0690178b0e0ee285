#pragma once
// TvxVariant: a typed byte buffer that owns its bytes. Expression results are
// stored into it (EvaluateTo), and index keys and sort keys are kept in it:
// a text, an 8-byte double, a 4-byte day number, a 1-byte truth value or raw
// bytes. Compare orders two variants as the index layer needs it: texts and
// raw bytes unsigned byte by byte (through a collation table when given),
// numbers by value.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace talvern {

enum class VariantType : std::uint8_t { None = 0, Text = 1, Double = 2, Date = 3, Boolean = 4, Raw = 5 };

class TvxVariant {
public:
  // Truth letters: those read as true, and those written for false.
  static constexpr std::string_view kTrueLetters = "TtYyJj";
  static constexpr std::string_view kFalseLetters = "FfNn";

  explicit TvxVariant(std::uint16_t initialSize = 0);
  TvxVariant(const TvxVariant& other);
  TvxVariant& operator=(const TvxVariant& other);
  virtual ~TvxVariant() = default;

  const std::uint8_t* Data() const { return data_.get(); }
  std::uint8_t* Data() { return data_.get(); }
  std::int32_t Length() const { return length_; }
  std::int32_t Capacity() const { return capacity_; }
  VariantType Type() const { return type_; }
  std::string_view View() const {
    return {reinterpret_cast<const char*>(data_.get()), static_cast<std::size_t>(length_)};
  }

  void Clear();
  void Assign(const TvxVariant* other);
  // Grows the buffer to n bytes when it is smaller (keeping its bytes; the
  // type is reset by the growth); the length becomes n.
  void SetLength(std::int32_t n);
  void SetText(std::string_view s);
  void SetDouble(double x);
  void SetDate(std::int32_t day);
  void SetBoolean(bool b);
  void SetBytes(const void* p, std::int32_t n);
  void AppendBytes(const void* p, std::int32_t n);
  void UpperText();
  void PadText(std::int32_t n);
  void TrimText();

  bool AsBoolean() const;
  std::int32_t AsDate() const;
  double AsDouble() const;
  std::string AsText() const;
  // AsText written NUL-terminated into buf, cut to size - 1 characters.
  void ToBuffer(char* buf, std::size_t size) const;

  // -1, 0 or 1 of this against other; position is one more than the number
  // of leading bytes that are equal (0 for values compared by number). When
  // this is a text that is a proper beginning of other, the sign of
  // prefixResult is returned instead of -1. Raises "Variant types mismatch
  // for compare" when the types cannot be compared.
  int Compare(const TvxVariant* other, std::int32_t& position,
              const std::uint8_t* collation = nullptr, int prefixResult = -1) const;

private:
  double ReadDouble() const;
  std::int32_t ReadInt32() const;

  std::unique_ptr<std::uint8_t[]> data_;
  std::int32_t capacity_ = 0;
  std::int32_t length_ = 0;
  VariantType type_ = VariantType::None;
};

}  // namespace talvern
