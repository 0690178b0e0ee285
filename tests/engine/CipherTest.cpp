// The table cipher against bytes worked out by hand.
#include <gtest/gtest.h>

#include <string>

#include "engine/Cipher.h"

namespace talvern {
namespace {

// With the one-byte password "A" (0x41, bits 0 and 6) the key of byte i is
// (i mod 256) OR 0x41: 0x41 itself where the low byte of i shares no bit
// with it (0, 0x80, 0x100 ...), the OR of both elsewhere (2 -> 0x43,
// 0x3E -> 0x7F, 0xBE -> 0xFF).
TEST(Cipher, OneBytePasswordWorkedOutByHand) {
  std::string zeros(0x102, '\0');
  std::string keys(zeros.size(), '\0');
  EXPECT_EQ(Cipher("A", zeros.data(), keys.data(), static_cast<std::int32_t>(zeros.size()), true), 1);
  EXPECT_EQ(keys.substr(0, 8), "\x41\x41\x43\x43\x45\x45\x47\x47");
  EXPECT_EQ(keys[0x3E], '\x7F');
  EXPECT_EQ(keys[0x80], '\xC1');
  EXPECT_EQ(keys[0xBE], '\xFF');
  EXPECT_EQ(keys.substr(0x100, 2), "\x41\x41");

  // Any byte: "\xFF" at index 2 becomes 0xFF ^ 0x43 = 0xBC, and back in place.
  std::string bytes = "ab\xFFz";
  EXPECT_EQ(Cipher("A", bytes.data(), bytes.data(), 4, true), 1);
  EXPECT_EQ(bytes, "\x20\x23\xBC\x39");
  EXPECT_EQ(Cipher("A", bytes.data(), bytes.data(), 4, false), -1);
  EXPECT_EQ(bytes, "ab\xFFz");

  // No password: a copy.
  std::string copy(4, '\0');
  EXPECT_EQ(Cipher("", bytes.data(), copy.data(), 4, true), 0);
  EXPECT_EQ(copy, bytes);
}

}  // namespace
}  // namespace talvern
