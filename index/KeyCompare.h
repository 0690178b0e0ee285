#pragma once
// How index keys compare. Texts and raw bytes compare as unsigned bytes over
// the shorter length, the shorter being smaller when that part is equal; a
// text on the left that is a proper beginning of the right value answers
// `partial` instead of -1 (0: a prefix counts as equal, -1: as smaller).
// Empty values are smaller than any other. position is one more than the
// number of leading bytes that are equal. Values of other types (numbers,
// dates) compare through TvxVariant::Compare.

#include <cstdint>
#include <cstring>

#include "index/IndexKey.h"

namespace talvern {

inline int CompareIndexKeys(const TvxVariant& a, const TvxVariant& b, int partial,
                            std::int32_t& position) {
  VariantType ta = a.Type(), tb = b.Type();
  bool bytewise = (ta == VariantType::Text || ta == VariantType::Raw || ta == VariantType::None) &&
                  (tb == VariantType::Text || tb == VariantType::Raw || tb == VariantType::None);
  if (!bytewise) return a.Compare(&b, position, nullptr, partial);
  std::int32_t la = a.Length(), lb = b.Length();
  if (la == 0 || lb == 0) {
    position = 0;
    return la == lb ? 0 : (la == 0 ? -1 : 1);
  }
  std::int32_t common = la < lb ? la : lb;
  const std::uint8_t* pa = a.Data();
  const std::uint8_t* pb = b.Data();
  std::int32_t i = 0;
  while (i < common && pa[i] == pb[i]) ++i;
  if (i < common) {
    position = i + 1;
    return pa[i] < pb[i] ? -1 : 1;
  }
  position = common + 1;
  if (la == lb) return 0;
  if (la > lb) return 1;
  bool leftIsText = ta == VariantType::Text || (ta == VariantType::Raw && tb == VariantType::Text);
  if (leftIsText) return (partial > 0) - (partial < 0);
  return -1;
}

inline int CompareIndexKeys(const TvxVariant& a, const TvxVariant& b, int partial) {
  std::int32_t position = 0;
  return CompareIndexKeys(a, b, partial, position);
}

// Whether two keys are equal byte for byte (the exact comparison of key
// maintenance and ranges).
inline bool SameKey(const TvxVariant& a, const TvxVariant& b) {
  return a.Length() == b.Length() &&
         (a.Length() == 0 || std::memcmp(a.Data(), b.Data(), static_cast<std::size_t>(a.Length())) == 0);
}

// The length of a key without its trailing blanks.
inline std::int32_t TrimmedLength(const TvxVariant& key) {
  std::int32_t n = key.Length();
  while (n > 0 && key.Data()[n - 1] == ' ') --n;
  return n;
}

// Copies src's key into dst, reusing dst's buffer.
void CopyKey(TvxVariant& dst, const TvxVariant& src);

inline void CopyEntry(VXobjIndexKeyData& dst, const VXobjIndexKeyData& src) {
  CopyKey(dst, src);
  dst.RecNo = src.RecNo;
  dst.Link = src.Link;
}

}  // namespace talvern
