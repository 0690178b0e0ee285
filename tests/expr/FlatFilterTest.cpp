// The common filter shapes are evaluated in flat form; on random records and
// random filters of those shapes they must give what the tree gives, the
// same truth or the same error. The tree is reached by the same filter with
// every field read through a no-op (VID+0, TYPE+""), which no flat form takes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "expr/Handler.h"

namespace talvern::testing {
namespace {

struct FieldPlace {
  const char* name;
  bool number;
  std::size_t offset, length;
};
// TYPE C(6), NOTE C(3), VID N(4), PRICE N(7,2), RATE F(6,1), after the
// deletion flag.
const FieldPlace kFields[] = {{"TYPE", false, 1, 6}, {"NOTE", false, 7, 3}, {"VID", true, 10, 4},
                              {"PRICE", true, 14, 7}, {"RATE", true, 21, 6}};

class FlatFilter : public ::testing::Test {
protected:
  FlatFilter() {
    path = dir.File("main.dbf");
    CreateTable(path, 0x03, {{"TYPE", 'C', 6, 0}, {"NOTE", 'C', 3, 0}, {"VID", 'N', 4, 0},
                             {"PRICE", 'N', 7, 2}, {"RATE", 'F', 6, 1}});
    table = std::make_unique<VXO_dBaseFld>(path, false, true);
    record.assign(static_cast<std::size_t>(table->RecordLength()) + 1, ' ');
    table->SetCurrentRecord(record.data());
  }
  ~FlatFilter() override { table->SetCurrentRecord(nullptr); }

  std::string Pick(const std::vector<std::string>& from) { return from[rng() % from.size()]; }

  // Field contents: plain numbers in every layout, blanks, signs alone,
  // exponents and damaged texts; texts with blanks, wildcards, case and
  // code page 866 letters.
  void RandomRecord() {
    static const std::vector<std::string> numbers = {
        "   7", "  12", "0012", "12  ", "  -0", " -12", "+7  ", "    ", "   -", "  1.", " .5 ",
        "1e1 ", "1x  ", " 1 2", "  12.50", "  -3.25", "12.5   ", "1234567", "  99.99", "  12.5",
        "-1.5E1", "  12\t", std::string("  7\0", 4)};
    static const std::vector<std::string> texts = {"KT315A", "kt315a", "KT3   ", "      ", "AKT3  ",
                                                   "\x8A\x92\x33\x31\x35", "\xAA\xE2\x33", "KT*   ",
                                                   "?T3   ", "KTKT3 ", "B     ", "AB", "3"};
    for (const FieldPlace& f : kFields) {
      std::string value = f.number ? Pick(numbers) : Pick(texts);
      value.resize(f.length, ' ');
      std::memcpy(record.data() + f.offset, value.data(), f.length);
    }
  }

  // A comparison of one of the flat shapes, with the text given to the tree.
  void RandomTest(std::string& flat, std::string& tree) {
    static const std::vector<std::string> ops = {"=", "#", "<>", "<", ">", "<=", ">=", "=="};
    static const std::vector<std::string> numbers = {"0", "7", "12", "-12", "12.5", "1.5", "-0", "10"};
    static const std::vector<std::string> texts = {"\"KT3\"", "\"kt3\"", "'KT'", "\"KT*\"", "\"*3*\"",
                                                   "\"?T3*\"", "\"\"", "[KT315A]", "\"\x8A\x92\"",
                                                   "\"B  \"", "\"*\""};
    const FieldPlace& f = kFields[rng() % 5];
    const std::string name = f.name;
    const std::string op = Pick(ops);
    switch (rng() % 5) {
      case 0:
      case 1: {
        const std::string constant = f.number ? Pick(numbers) : Pick(texts);
        const std::string wrapped = f.number ? "(" + name + "+0)" : "(" + name + "+\"\")";
        if (rng() % 2) {
          flat = name + op + constant;
          tree = wrapped + op + constant;
        } else {
          flat = constant + op + name;
          tree = constant + op + wrapped;
        }
        break;
      }
      case 2: {
        const std::string text = rng() % 4 ? "TYPE" : "NOTE";
        const std::string needle = Pick(texts);
        std::string rest;
        if (rng() % 2) rest.append(",").append(Pick({"1", "2", "0", "-1", "1.9"}));
        const std::string constant = Pick(numbers);
        flat = "AT(" + needle + "," + text + rest + ")" + op + constant;
        tree = "AT(" + needle + ",(" + text + "+\"\")" + rest + ")" + op + constant;
        if (rng() % 2) {
          flat = constant + op + "AT(" + needle + "," + text + rest + ")";
          tree = constant + op + "AT(" + needle + ",(" + text + "+\"\")" + rest + ")";
        }
        break;
      }
      default: {
        const std::string text = rng() % 2 ? "TYPE" : "NOTE";
        const std::string needle = Pick(texts);
        if (rng() % 2) {
          flat = needle + "$" + text;
          tree = needle + "$(" + text + "+\"\")";
        } else {
          flat = text + "$" + needle;
          tree = "(" + text + "+\"\")$" + needle;
        }
      }
    }
  }

  // .AND., .OR., .NOT. and parentheses over tests, depth at most `depth`.
  void RandomFilter(int depth, std::string& flat, std::string& tree) {
    const unsigned pick = depth > 0 ? rng() % 6 : 0;
    if (pick <= 1) return RandomTest(flat, tree);
    std::string lf, lt, rf, rt;
    RandomFilter(depth - 1, lf, lt);
    if (pick == 2) {
      flat = ".NOT. (" + lf + ")";
      tree = ".NOT. (" + lt + ")";
      return;
    }
    RandomFilter(depth - 1, rf, rt);
    const char* join = pick == 3 ? " .OR. " : " .AND. ";
    flat = "(" + lf + ")" + join + rf;
    tree = "(" + lt + ")" + join + rt;
  }

  // "T"/"F", or the error's text.
  static std::string Outcome(TvxExpHandler& h) {
    try {
      ExprValue v;
      h.Evaluate(v);
      if (h.ResultKind() != ValueKind::Boolean) return "kind";
      return v.AsBoolean() ? "T" : "F";
    } catch (const ETalvernError& e) {
      return e.what();
    }
  }

  TempDir dir;
  std::string path;
  std::unique_ptr<VXO_dBaseFld> table;
  std::vector<std::uint8_t> record;
  std::mt19937 rng{20261208};
};

TEST_F(FlatFilter, GivesTheTreesTruthOrErrorOnRandomRecordsAndFilters) {
  int flatForms = 0, errors = 0, truths = 0;
  for (int round = 0; round < 400; ++round) {
    std::string flat, tree;
    RandomFilter(3, flat, tree);
    table->SetTranslate(rng() % 2);
    TvxExpHandler fast(table->ExpressionLink()), slow(table->ExpressionLink());
    const bool caseInsensitive = rng() % 3 == 0, partial = rng() % 3 != 0;
    for (TvxExpHandler* h : {&fast, &slow}) {
      h->SetCaseInsensitive(caseInsensitive);
      h->SetPartialCompare(partial);
    }
    fast.SetExpression(flat);
    slow.SetExpression(tree);
    ASSERT_TRUE(fast.Flat()) << flat;
    ASSERT_FALSE(slow.Flat()) << tree;
    ++flatForms;
    for (int r = 0; r < 25; ++r) {
      RandomRecord();
      const std::string expected = Outcome(slow);
      ASSERT_EQ(Outcome(fast), expected) << flat << " on [" << std::string(record.begin(), record.end()) << "]";
      (expected.size() > 1 ? errors : truths) += 1;
    }
  }
  // Both outcomes occur often enough for the comparison to mean something.
  EXPECT_GT(errors, 500);
  EXPECT_GT(truths, 2000);
}

TEST_F(FlatFilter, OtherShapesStayTrees) {
  for (const char* text : {"VID=PRICE", "VID+1=2", "VID='7'", "TYPE=NOTE", "UPPER(TYPE)='A'", "VID=1 .AND. 2",
                           ".T.", "AT(TYPE,NOTE)=1", "DELETED()", "VID = {01/01/2000}", "VID"}) {
    try {
      TvxExpHandler h(table->ExpressionLink(), text);
      EXPECT_FALSE(h.Flat()) << text;
    } catch (const ETalvernError&) {
    }
  }
}

}  // namespace
}  // namespace talvern::testing
