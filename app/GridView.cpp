#include "app/GridView.h"

#include <algorithm>

#include "platform/Locale.h"

namespace talvern {
namespace {

// Alphabetical, case ignored; texts that differ only in case in a fixed order.
bool WordLess(const std::string& a, const std::string& b) {
  const int byText = platform::AnsiCompareText(a, b);
  return byText != 0 ? byText < 0 : platform::AnsiCompareStr(a, b) < 0;
}

}  // namespace

void GridView::Clear() {
  columnCount_ = 0;
  all_.clear();
  shown_.clear();
  sortColumn_ = -1;
  direction_ = TypeOrder;
  filters_.clear();
  columns_.clear();
}

void GridView::Add(std::int32_t recNo) {
  all_.push_back(recNo);
  shown_.push_back(recNo);
  // A column read before does not know the new record.
  columns_.clear();
}

void GridView::SetSort(int col, Direction direction) {
  if (col < 0 || direction == TypeOrder) {
    sortColumn_ = -1;
    direction_ = TypeOrder;
  } else {
    sortColumn_ = col;
    direction_ = direction;
  }
}

GridView::Direction GridView::NextDirection(int col) const {
  if (col != sortColumn_) return Ascending;
  return direction_ == Ascending ? Descending : TypeOrder;
}

const ParamFilter* GridView::Filter(int col) const {
  auto found = filters_.find(col);
  return found == filters_.end() ? nullptr : &found->second;
}

void GridView::SetFilter(int col, ParamFilter filter) { filters_.insert_or_assign(col, std::move(filter)); }

void GridView::ClearFilter(int col) { filters_.erase(col); }

void GridView::ClearFilters() { filters_.clear(); }

void GridView::Restore(Settings settings) {
  sortColumn_ = settings.sortColumn;
  direction_ = settings.direction;
  filters_ = std::move(settings.filters);
}

// Each record is visited once for all the columns still to read, so that the
// reader stands on it once.
void GridView::ReadColumns(const std::vector<int>& cols, const ColumnReader& read) {
  std::vector<int> missing;
  for (int col : cols)
    if (columns_.count(col) == 0 && std::find(missing.begin(), missing.end(), col) == missing.end())
      missing.push_back(col);
  if (missing.empty()) return;
  if (all_.size() * static_cast<std::size_t>(columnCount_) <= kReadAllCells) {
    for (int col = 0; col < columnCount_; ++col)
      if (columns_.count(col) == 0 && std::find(missing.begin(), missing.end(), col) == missing.end())
        missing.push_back(col);
  }
  std::vector<std::vector<std::string>> texts = read(missing);
  texts.resize(missing.size());
  for (std::size_t i = 0; i < missing.size(); ++i) {
    Column& column = columns_[missing[i]];
    column.texts = std::move(texts[i]);
    column.texts.resize(all_.size());  // a cell not read is blank
  }
}

const GridView::Column& GridView::Valued(int col) {
  Column& column = columns_.at(col);
  if (column.values.size() != column.texts.size()) {
    column.values.clear();
    column.values.reserve(column.texts.size());
    for (const std::string& text : column.texts) column.values.push_back(ReadParamValue(text));
  }
  return column;
}

void GridView::Update(const ColumnReader& read) {
  std::vector<int> needed;
  for (const auto& [col, filter] : filters_) needed.push_back(col);
  if (sortColumn_ >= 0 && sortColumn_ != kTypeColumn) needed.push_back(sortColumn_);
  if (all_.empty()) needed.clear();
  ReadColumns(needed, read);
  for (int col : needed) Valued(col);

  std::vector<std::size_t> order;
  order.reserve(all_.size());
  for (std::size_t i = 0; i < all_.size(); ++i) {
    bool passes = true;
    for (const auto& [col, filter] : filters_) {
      const Column& column = columns_.at(col);
      if (!filter.Matches(column.values[i], column.texts[i])) {
        passes = false;
        break;
      }
    }
    if (passes) order.push_back(i);
  }
  Sort(order);
  shown_.clear();
  shown_.reserve(order.size());
  for (std::size_t i : order) shown_.push_back(all_[i]);
}

void GridView::Sort(std::vector<std::size_t>& order) const {
  if (sortColumn_ < 0) return;
  const bool descending = direction_ == Descending;
  if (sortColumn_ == kTypeColumn) {
    if (descending) std::reverse(order.begin(), order.end());
    return;
  }
  const Column& column = columns_.at(sortColumn_);

  // Words get their rank in alphabetical order; equal words share one.
  std::vector<std::size_t> words;
  for (std::size_t i : order)
    if (column.values[i].kind == ParamValue::Word) words.push_back(i);
  std::sort(words.begin(), words.end(),
            [&](std::size_t a, std::size_t b) { return WordLess(column.texts[a], column.texts[b]); });
  std::vector<int> rank(all_.size(), 0);
  for (std::size_t k = 1; k < words.size(); ++k) {
    const bool same = !WordLess(column.texts[words[k - 1]], column.texts[words[k]]);
    rank[words[k]] = rank[words[k - 1]] + (same ? 0 : 1);
  }

  struct Key {
    int kind;
    double first;
    double second;
    int rank;
    std::size_t index;  // the type order
  };
  std::vector<Key> keys;
  keys.reserve(order.size());
  for (std::size_t i : order) {
    const ParamValue& v = column.values[i];
    if (descending) keys.push_back({v.kind, -v.high, -v.low, -rank[i], i});
    else keys.push_back({v.kind, v.low, v.high, rank[i], i});
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.first != b.first) return a.first < b.first;
    if (a.second != b.second) return a.second < b.second;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.index < b.index;
  });
  for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
}

}  // namespace talvern
