// TvxVariant: the typed buffer of expression results and index keys.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/Errors.h"
#include "expr/Variant.h"

namespace talvern {
namespace {

TvxVariant Text(std::string_view s) {
  TvxVariant v;
  v.SetText(s);
  return v;
}

TEST(Variant, TextsCompareBytewiseWithThePrefixRule) {
  std::int32_t pos = -1;
  TvxVariant ab = Text("AB"), abc = Text("ABC"), abd = Text("ABD");
  EXPECT_EQ(ab.Compare(&abc, pos), -1);
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(ab.Compare(&abc, pos, nullptr, 0), 0);   // a seek's partial match
  EXPECT_EQ(ab.Compare(&abc, pos, nullptr, 7), 1);   // reduced to its sign
  EXPECT_EQ(abc.Compare(&ab, pos, nullptr, 0), 1);
  EXPECT_EQ(abc.Compare(&abd, pos), -1);
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(abc.Compare(&abc, pos), 0);
  EXPECT_EQ(pos, 4);
  TvxVariant high = Text("\x80"), low = Text("z");
  EXPECT_EQ(high.Compare(&low, pos), 1);  // unsigned bytes
}

TEST(Variant, CollationTableMapsBytesToWeights) {
  std::uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<std::uint8_t>(c - 32);
  TvxVariant lower = Text("abc"), upper = Text("ABC");
  std::int32_t pos;
  EXPECT_EQ(lower.Compare(&upper, pos, table), 0);
  EXPECT_EQ(lower.Compare(&upper, pos), 1);
}

TEST(Variant, EmptyAndAbsentValues) {
  std::int32_t pos;
  TvxVariant none, empty = Text(""), a = Text("a");
  EXPECT_EQ(none.Compare(&a, pos), -1);
  EXPECT_EQ(none.Compare(&empty, pos), 0);
  EXPECT_EQ(none.Compare(nullptr, pos), 0);
  EXPECT_EQ(a.Compare(nullptr, pos), 1);
  EXPECT_EQ(empty.Compare(&a, pos), -1);
  EXPECT_EQ(a.Compare(&empty, pos), 1);
  EXPECT_EQ(empty.Compare(&empty, pos), 0);
}

TEST(Variant, NumbersDatesAndTruth) {
  std::int32_t pos;
  TvxVariant x, y, d1, d2, t, f;
  x.SetDouble(-1.5);
  y.SetDouble(2);
  d1.SetDate(2451544);
  d2.SetDate(2451545);
  t.SetBoolean(true);
  f.SetBoolean(false);
  EXPECT_EQ(x.Compare(&y, pos), -1);
  EXPECT_EQ(d2.Compare(&d1, pos), 1);
  EXPECT_EQ(t.Compare(&f, pos), 1);
  // Raw bytes take the other side's type.
  double raw = 2;
  TvxVariant bytes;
  bytes.SetBytes(&raw, 8);
  EXPECT_EQ(bytes.Compare(&y, pos), 0);
  EXPECT_EQ(x.Compare(&bytes, pos), -1);
}

TEST(Variant, MismatchedTypesRaiseAPlainEngineError) {
  TvxVariant n, s = Text("1");
  n.SetDouble(1);
  std::int32_t pos;
  try {
    n.Compare(&s, pos);
    FAIL();
  } catch (const ETalvernExpression&) {
    FAIL() << "not an expression error";
  } catch (const ETalvernError& e) {
    EXPECT_STREQ(e.what(), "Variant types mismatch for compare");
  }
}

TEST(Variant, BufferOperations) {
  TvxVariant v(4);
  EXPECT_EQ(v.Capacity(), 4);
  v.SetText("ab");
  v.PadText(5);
  EXPECT_EQ(v.View(), "ab   ");
  v.TrimText();
  EXPECT_EQ(v.View(), "ab");
  v.AppendBytes("cd", 2);
  EXPECT_EQ(v.Type(), VariantType::Raw);
  EXPECT_EQ(v.View(), "abcd");
  v.SetLength(100);  // growing keeps the bytes but forgets the type
  EXPECT_EQ(v.Type(), VariantType::None);
  EXPECT_EQ(std::memcmp(v.Data(), "abcd", 4), 0);
  TvxVariant copy(v);
  EXPECT_EQ(copy.Length(), 100);
  EXPECT_EQ(std::memcmp(copy.Data(), "abcd", 4), 0);
  v.Clear();
  EXPECT_EQ(v.Capacity(), 0);
  EXPECT_EQ(v.Data(), nullptr);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Length(), 0);
}

TEST(Variant, Conversions) {
  TvxVariant v = Text("yes");
  EXPECT_TRUE(v.AsBoolean());
  v.SetText("n");
  EXPECT_FALSE(v.AsBoolean());
  v.SetText("19991231");
  EXPECT_EQ(v.AsDate(), 2451544);
  v.SetText("2.5");
  EXPECT_EQ(v.AsDouble(), 2.5);
  v.UpperText();
  v.SetDouble(2.5);
  EXPECT_EQ(v.AsText(), "2.5");
  EXPECT_TRUE(v.AsBoolean());
  v.SetDouble(0.5);
  EXPECT_FALSE(v.AsBoolean());  // the truncated value
  v.SetDouble(2451544.9);
  EXPECT_EQ(v.AsDate(), 2451544);
  v.SetDate(2451544);
  EXPECT_EQ(v.AsText(), "31.12.1999");
  EXPECT_EQ(v.AsDouble(), 2451544);
  EXPECT_FALSE(v.AsBoolean());
  v.SetBoolean(true);
  EXPECT_EQ(v.AsText(), "T");
  EXPECT_EQ(v.AsDouble(), 1);
  v.SetText("abc \xE0");
  v.UpperText();
  EXPECT_EQ(v.View(), "ABC \xC0");
  char buf[3];
  v.ToBuffer(buf, sizeof buf);
  EXPECT_STREQ(buf, "AB");
}

}  // namespace
}  // namespace talvern
