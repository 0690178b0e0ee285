// Reading parameter texts, ordering and filtering a kind's devices: the view's
// rules, without a window, on the sample catalogue's own notations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "app/GridView.h"
#include "app/ParamFilter.h"
#include "app/ParamPieces.h"
#include "app/ParamValue.h"
#include "platform/CodePage.h"

using namespace talvern;

namespace {

std::string Ansi(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }
ParamValue Read(const std::string& utf8) { return ReadParamValue(Ansi(utf8)); }
ParamValue Num(double low, double high) { return {ParamValue::Number, low, high}; }
const ParamValue kWord{ParamValue::Word, 0, 0};
const ParamValue kBlank{};

// The devices of data/devices.tsv: type, kind and the PARAMS pieces (UTF-8).
struct SampleDevice {
  std::string type;
  int kind = 0;
  std::vector<std::string> pieces;
  std::string term;
};

std::vector<SampleDevice> SampleDevices() {
  std::ifstream in(TALVERN_SOURCE_DIR "/data/devices.tsv");
  std::vector<SampleDevice> devices;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (header) {
      header = false;
      continue;
    }
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    cells.resize(6);
    SampleDevice device{cells[0], std::stoi(cells[1]), {}, cells[3]};
    for (std::string_view piece : SplitParams(cells[5])) device.pieces.emplace_back(piece);
    devices.push_back(std::move(device));
  }
  return devices;
}

// A decimal text with a comma as the nearest double: one rounding of the
// exact quotient, as a correct reader gives.
double Decimal(std::string text) {
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.erase(0, 1);
  const std::size_t comma = text.find(',');
  const std::string digits = comma == std::string::npos ? text : text.substr(0, comma) + text.substr(comma + 1);
  const double scale = comma == std::string::npos ? 1 : std::pow(10.0, double(text.size() - comma - 1));
  const double value = double(std::stoll(digits)) / scale;
  return negative ? -value : value;
}

// A column reader over a function of one cell.
template <class F>
GridView::ColumnReader Columns(const GridView& view, F cell) {
  return [&view, cell](const std::vector<int>& cols) {
    std::vector<std::vector<std::string>> texts(cols.size());
    for (std::size_t c = 0; c < cols.size(); ++c)
      for (std::int32_t recNo : view.All()) texts[c].push_back(cell(recNo, cols[c]));
    return texts;
  };
}

}  // namespace

// Every piece of the sample catalogue reads as a small pattern reader of the
// documented notations says: a number, a range, a number with a unit after a
// space, or else a word.
TEST(ParamValueTest, EveryPieceOfTheSampleReadsAsThePatternsSay) {
  const std::vector<SampleDevice> devices = SampleDevices();
  ASSERT_GT(devices.size(), 1000u);
  const std::string number = "([+-]?[0-9]+(?:,[0-9]+)?)";
  const std::regex single("^" + number + "(?: [^0-9 ][^0-9]*)?$");
  const std::regex range("^" + number + "\\.\\.\\." + number + "$");
  std::set<std::string> texts;
  for (const SampleDevice& d : devices) {
    texts.insert(d.term);
    texts.insert(d.pieces.begin(), d.pieces.end());
  }
  int numbers = 0, ranges = 0, words = 0;
  for (const std::string& text : texts) {
    std::smatch m;
    ParamValue expected = kWord;
    if (text.empty()) expected = kBlank;
    else if (std::regex_match(text, m, range)) expected = Num(Decimal(m[1]), Decimal(m[2])), ++ranges;
    else if (std::regex_match(text, m, single)) expected = Num(Decimal(m[1]), Decimal(m[1])), ++numbers;
    else ++words;
    EXPECT_EQ(Read(text), expected) << text;
  }
  // The sample holds all three in numbers.
  EXPECT_GT(numbers, 100);
  EXPECT_GT(ranges, 50);
  EXPECT_GT(words, 50);
}

TEST(ParamValueTest, BoundsSuffixesAndLookAlikes) {
  EXPECT_EQ(Read("<5"), Num(5, 5));
  EXPECT_EQ(Read(">100"), Num(100, 100));
  EXPECT_EQ(Read("<=0,4"), Num(0.4, 0.4));
  EXPECT_EQ(Read(">= 60"), Num(60, 60));
  EXPECT_EQ(Read("1,7*"), Num(1.7, 1.7));
  EXPECT_EQ(Read("30...120**"), Num(30, 120));
  EXPECT_EQ(Read("5 мА"), Num(5, 5));
  EXPECT_EQ(Read("  15 "), Num(15, 15));
  EXPECT_EQ(Read("0.15"), Num(0.15, 0.15));
  EXPECT_EQ(Read("-60...+100"), Num(-60, 100));
  EXPECT_EQ(Read("10..20"), Num(10, 20));
  EXPECT_EQ(Read("10 … 20"), Num(10, 20));
  EXPECT_EQ(Read("120...30"), Num(30, 120));  // written backwards
  EXPECT_EQ(Read("   "), kBlank);
  // Types, packages and texts that begin with digits stay words.
  for (const char* word : {"2Т203А", "1N4148", "402.16-7", "78L05", "4N35", "5 мм2", "1,7 *", "+", "-", "...",
                           "10...", "...10", "<", "<x", "1e5", "0,5/1", "10-20", "≤0,4"})
    EXPECT_EQ(Read(word), kWord) << word;
  // A number too long for a double is a word, not a crash.
  EXPECT_EQ(Read(std::string(400, '9')), kWord);
}

TEST(ParamFilterTest, ComparisonsRangesNumbersAndFragments) {
  struct Case {
    const char* filter;
    const char* value;
    bool matches;
  };
  const Case cases[] = {
      {"≥ 60", "60", true},          {"≥ 60", "59,9", false},      {"≥60", "30...120", true},
      {"≥ 60", "20...50", false},    {">= 60", ">100", true},      {"> 60", "60", false},
      {"> 60", "20...60,5", true},   {"≤ 0,4", "0,4", true},       {"≤ 0,4", "0,3...0,5", true},
      {"≤ 0,4", "0,5...1", false},   {"<= 0.4", "<0,5", false},    {"< 0,4", "0,4", false},
      {"=< 1", "-5", true},          {"10...100", "5...8", false}, {"10...100", "90...200", true},
      {"10...100", "100", true},     {"100...10", "50", true},     {"10..100", "101", false},
      {"60", "40...80", true},       {"60", "61", false},          {"= 60", "60", true},
      {"220", "TO-220", true},       {"60", "n-p-n", false},       {"n-p", "n-p-n", true},
      {"N-P", "n-p-n", true},        {"кт-2", "КТ-26", true},      {"стекл", "мет.-стекл.", true},
      {"0,1", "0,15", false},        {"≥ 1", "n-p-n", false},      {"≥ -100", "", false},
      {"x", "", false},              {"1,5", "1,50", true},        {"15", "1,5", false}};
  for (const Case& c : cases) {
    std::string error;
    const std::optional<ParamFilter> filter = ParamFilter::Parse(c.filter, error);
    ASSERT_TRUE(filter && error.empty()) << c.filter;
    const std::string text = Ansi(c.value);
    EXPECT_EQ(filter->Matches(ReadParamValue(text), text), c.matches) << c.filter << " on " << c.value;
  }
  std::string error;
  for (const char* wrong : {"≥", "≥ abc", "<= x", "> 5 В", "=", "≥ 1...2"}) {
    EXPECT_FALSE(ParamFilter::Parse(wrong, error)) << wrong;
    EXPECT_FALSE(error.empty()) << wrong;
  }
  EXPECT_FALSE(ParamFilter::Parse("   ", error));  // blank: no filter, no error
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(ParamFilter::Parse("  ≥ 60 ", error)->Text(), "≥ 60");
}

// Random columns of numbers, ranges, words and blanks, whose values are known
// as they are made, sorted both ways: the order the rules give, and the type
// order among equals.
TEST(GridViewTest, RandomColumnsSortByTheRules) {
  // Words in their alphabetical order (Latin before Cyrillic, case ignored).
  const std::vector<std::string> words = {"DO-35", "n-p-n", "p-n-p", "TO-220", "TO-92", "КТ-26", "стекл."};
  std::mt19937 random(17);
  for (int round = 0; round < 20; ++round) {
    struct Cell {
      int kind;  // 0 number, 1 word, 2 blank
      double low, high;
      int word;
    };
    std::vector<Cell> cells;
    std::map<std::int32_t, std::string> texts;
    GridView view;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const int what = static_cast<int>(random() % 6);
      const int a = static_cast<int>(random() % 21) - 10;
      const int b = a + static_cast<int>(random() % 4);
      Cell cell{what <= 3 ? 0 : what - 3, double(a), double(what == 1 ? b : a), 0};
      std::string text;
      if (what == 0) text = std::to_string(a);
      if (what == 1) text = std::to_string(a) + "..." + (b >= 0 ? "+" : "") + std::to_string(b);
      if (what == 2) text = "<" + std::to_string(a);
      if (what == 3) text = std::to_string(a) + "*";
      if (what == 4) {
        cell.word = static_cast<int>(random() % words.size());
        text = Ansi(words[static_cast<std::size_t>(cell.word)]);
      }
      cells.push_back(cell);
      texts[1000 + i] = text;
      view.Add(1000 + i);
    }
    auto read = [&](std::int32_t recNo, int col) {
      EXPECT_EQ(col, 3);
      return texts.at(recNo);
    };
    for (GridView::Direction direction : {GridView::Ascending, GridView::Descending}) {
      view.SetSort(3, direction);
      view.Update(Columns(view, read));
      ASSERT_EQ(view.Shown().size(), cells.size());
      const bool down = direction == GridView::Descending;
      for (std::size_t k = 1; k < cells.size(); ++k) {
        const std::int32_t p = view.Shown()[k - 1], q = view.Shown()[k];
        const Cell& x = cells[static_cast<std::size_t>(p - 1000)];
        const Cell& y = cells[static_cast<std::size_t>(q - 1000)];
        const auto key = [&](const Cell& c) {
          if (c.kind == 0) return down ? std::make_tuple(0, -c.high, -c.low, 0) : std::make_tuple(0, c.low, c.high, 0);
          return std::make_tuple(c.kind, 0.0, 0.0, down ? -c.word : c.word);
        };
        ASSERT_TRUE(key(x) < key(y) || (key(x) == key(y) && p < q))
            << "round " << round << ": " << texts[p] << " before " << texts[q];
      }
    }
  }
}

// On the transistors of kind 13: two filters together show what each shows
// alone, a sort stays while a filter changes, and the type column sorts by the
// order the records came in.
TEST(GridViewTest, FiltersCombineAndTheSortStaysWhileAFilterChanges) {
  std::map<std::int32_t, SampleDevice> devices;
  GridView view;
  std::int32_t recNo = 0;
  for (SampleDevice& d : SampleDevices()) {
    if (d.kind != 13) continue;
    view.Add(++recNo);
    devices[recNo] = std::move(d);
  }
  ASSERT_GT(devices.size(), 40u);
  // Column 1 shows parameter 6 (Uкэо), column 2 parameter 9 (Iк max), column 3 the structure.
  const int fld[] = {0, 6, 9, 1};
  int reads = 0;
  auto read = [&](std::int32_t n, int col) {
    ++reads;
    const SampleDevice& d = devices.at(n);
    if (col == 0) return Ansi(d.type);
    const std::size_t piece = static_cast<std::size_t>(fld[col] - 1);
    return piece < d.pieces.size() ? Ansi(d.pieces[piece]) : std::string();
  };
  auto shownWith = [&](std::vector<std::pair<int, const char*>> filters) {
    GridView alone;
    for (std::int32_t n : view.All()) alone.Add(n);
    std::string error;
    for (auto [col, text] : filters) alone.SetFilter(col, *ParamFilter::Parse(text, error));
    alone.Update(Columns(alone, read));
    return std::set<std::int32_t>(alone.Shown().begin(), alone.Shown().end());
  };

  std::string error;
  view.SetSort(2, GridView::Descending);
  view.SetFilter(1, *ParamFilter::Parse("≥ 60", error));
  view.Update(Columns(view, read));
  const std::vector<std::int32_t> sortedOnly = [&] {
    GridView sorted;
    for (std::int32_t n : view.All()) sorted.Add(n);
    sorted.SetSort(2, GridView::Descending);
    sorted.Update(Columns(sorted, read));
    return sorted.Shown();
  }();
  for (const char* second : {"n-p-n", "p-n-p", "≥ 1000", "ничего такого"}) {
    view.SetFilter(3, *ParamFilter::Parse(second, error));
    reads = 0;
    view.Update(Columns(view, read));
    EXPECT_EQ(reads, second == std::string("n-p-n") ? int(devices.size()) : 0);  // column 3 read once
    std::set<std::int32_t> both;
    const auto a = shownWith({{1, "≥ 60"}}), b = shownWith({{3, second}});
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(both, both.end()));
    EXPECT_EQ(std::set<std::int32_t>(view.Shown().begin(), view.Shown().end()), both) << second;
    // In the order of the sort alone.
    std::vector<std::int32_t> expected;
    std::copy_if(sortedOnly.begin(), sortedOnly.end(), std::back_inserter(expected),
                 [&](std::int32_t n) { return both.count(n) != 0; });
    EXPECT_EQ(view.Shown(), expected) << second;
  }
  EXPECT_FALSE(shownWith({{1, "≥ 60"}, {3, "n-p-n"}}).empty());
  EXPECT_TRUE(shownWith({{3, "ничего такого"}}).empty());

  view.ClearFilters();
  view.SetSort(0, GridView::Descending);
  view.Update(Columns(view, read));
  EXPECT_EQ(view.Shown(), std::vector<std::int32_t>(view.All().rbegin(), view.All().rend()));
  view.SetSort(0, GridView::TypeOrder);
  view.Update(Columns(view, read));
  EXPECT_EQ(view.Shown(), view.All());
  EXPECT_EQ(view.NextDirection(5), GridView::Ascending);
}
