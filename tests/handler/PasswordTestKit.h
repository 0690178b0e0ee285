#pragma once
// Helpers of the password tests: a table of devices (TYPE C 8, VID N 4, NOTE
// memo) in any memo format with a .cdx tag on TYPE, made from rows, and the
// check that a table reads back as its rows: records, memos, and the tag's
// order worked out from the rows themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "HandlerTestKit.h"
#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"
#include "index/IndexFile.h"

namespace talvern::testing {

struct DeviceRow {
  std::string type;  // ASCII
  int vid = 0;
  std::string note;  // code page 866, no trailing blank
  bool deleted = false;
};

// n rows with types in random order (repeats included), notes from empty
// to three 512-byte blocks of letters, Latin and Cyrillic.
inline std::vector<DeviceRow> RandomRows(std::mt19937& random, int n) {
  static const std::string letters = "ABCXYZ0123456789 \x80\x81\x8F\xA0\xAF\xE0\xEF";
  std::vector<DeviceRow> rows;
  for (int i = 0; i < n; ++i) {
    DeviceRow row;
    row.type = Named("T", static_cast<int>(random() % (n / 2 + 1)));
    row.vid = static_cast<int>(random() % 1000);
    const int length = random() % 4 == 0 ? 0 : static_cast<int>(random() % 1600);
    for (int k = 0; k < length; ++k) row.note += letters[random() % letters.size()];
    while (!row.note.empty() && row.note.back() == ' ') row.note.pop_back();
    row.deleted = random() % 5 == 0;
    rows.push_back(row);
  }
  return rows;
}

// The table of the rows in path's directory, with path's .cdx holding tag
// TYPE.
inline void MakeMemoTable(const std::string& path, std::uint8_t version, const std::vector<DeviceRow>& rows) {
  CreateTable(path, version, {{"TYPE", 'C', 8, 0}, {"VID", 'N', 4, 0}, {"NOTE", 'M', version == 0x30 ? 4 : 10, 0}});
  VXO_dBHandler t(path, false, true);
  t.CreateIndex(ChangeExtension(path, ".cdx"), "TYPE", {}, "TYPE", "");
  t.OpenIndexFiles(ChangeExtension(path, ".cdx"), "TYPE");
  for (const auto& row : rows) {
    t.BlankRecord();
    t.TextPut(1, row.type);
    t.NumberPut(2, row.vid);
    t.TextPut(3, row.note);
    t.AppendRecord();
    if (row.deleted) t.DeleteRecord();
  }
}

// The record numbers in the order of tag TYPE: by type, then by number.
inline std::vector<int> TypeOrder(const std::vector<DeviceRow>& rows) {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rows[a - 1].type < rows[b - 1].type; });
  return order;
}

// The table opened with the password reads the rows, and its tag TYPE lists
// them in order and passes the tag check.
inline void ExpectRows(VXO_dBHandler& t, const std::vector<DeviceRow>& rows) {
  ASSERT_EQ(t.RecordCount(), static_cast<std::int32_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    t.ReadRecord(static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(t.IsDeleted(), rows[i].deleted) << "record " << i + 1;
    EXPECT_EQ(t.TextGet(1), rows[i].type) << "record " << i + 1;
    EXPECT_EQ(t.NumberGet(2), rows[i].vid) << "record " << i + 1;
    EXPECT_EQ(t.TextGet(3), rows[i].note) << "record " << i + 1;
  }
  t.SetUseDeleted(true);
  t.SelectTag("TYPE", false);
  EXPECT_EQ(Forward(t), TypeOrder(rows));
  EXPECT_TRUE(CheckTag(*t.CurrentTag()).empty());
  t.SelectTag("", false);
}

inline void ExpectTable(const std::string& path, const std::string& password, const std::vector<DeviceRow>& rows) {
  VXO_dBHandler t(path, false, true, password);
  t.OpenIndexFiles(ChangeExtension(path, ".cdx"), "");
  ExpectRows(t, rows);
}

}  // namespace talvern::testing
