// Tables written by our engine read back identically in python3-dbfread and
// python3-dbf; tables that python3-dbf creates and fills open in ours, and
// dbftool dump agrees with dbfread on them.
#include <gtest/gtest.h>

#include <cmath>

#include "Peers.h"
#include "TableHelpers.h"
#include "engine/CreateTable.h"
#include "engine/Date.h"
#include "engine/Fields.h"
#include "platform/CodePage.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// Compares a peer's normalised value with the expected one; numbers by value.
bool SameValue(const std::string& peer, const std::string& expected) {
  if (expected.rfind("N:", 0) == 0 && peer.rfind("N:", 0) == 0)
    return std::fabs(std::stod(peer.substr(2)) - std::stod(expected.substr(2))) < 1e-9;
  return peer == expected;
}

struct Row {
  bool deleted = false;
  std::vector<std::string> values;
};

// Live rows in file order, then the deleted ones: the order dbfread lists them.
std::vector<Row> DbfreadOrder(const std::vector<Row>& rows) {
  std::vector<Row> out;
  for (const auto& r : rows) if (!r.deleted) out.push_back(r);
  for (const auto& r : rows) if (r.deleted) out.push_back(r);
  return out;
}

// dbfread takes the length in a dBASE IV memo head (text length + 8, as
// dBASE IV writes it) for the text length, so it reads 8 bytes of the
// block's zero padding too; Perl XBase and the other programs do not.
PeerTable WithoutDb4Padding(PeerTable t) {
  for (auto& r : t.records)
    for (auto& v : r.values)
      if (v.size() >= 10 && v.rfind("S:", 0) == 0 && v.compare(v.size() - 8, 8, std::string(8, '\0')) == 0)
        v.resize(v.size() - 8);
  return t;
}

void ExpectSameRows(const PeerTable& peer, const std::vector<Row>& expected, const std::string& who) {
  ASSERT_TRUE(peer.ok) << who << " failed: " << peer.error;
  ASSERT_EQ(peer.records.size(), expected.size()) << who;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(peer.records[i].deleted, expected[i].deleted) << who << " row " << i;
    ASSERT_EQ(peer.records[i].values.size(), expected[i].values.size()) << who << " row " << i;
    for (std::size_t k = 0; k < expected[i].values.size(); ++k)
      EXPECT_TRUE(SameValue(peer.records[i].values[k], expected[i].values[k]))
          << who << " row " << i << " field " << k << ": " << peer.records[i].values[k] << " vs "
          << expected[i].values[k];
  }
}

std::string Oem(const std::string& utf8) { return platform::Utf8ToOem(utf8); }

class OurTablesInPeers : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(OurTablesInPeers, ReadBackIdentically) {
  if (!PythonPeersAvailable()) GTEST_SKIP() << "python3-dbfread / python3-dbf not installed";
  const auto version = static_cast<std::uint8_t>(GetParam());
  const bool memo = version != 0x03;
  const bool vfp = version == 0x30;
  TempDir dir;
  std::string path = dir.File("ours.dbf");
  std::vector<FieldSpec> fields = {{"NAME", 'C', 20, 0}, {"QTY", 'N', 8, 2}, {"WHEN", 'D', 8, 0}, {"OK", 'L', 1, 0}};
  if (memo) fields.push_back({"NOTES", 'M', vfp ? 4 : 10, 0});
  if (vfp) fields.push_back({"CNT", 'I', 4, 0});
  CreateTable(path, version, fields);

  const std::vector<std::string> names = {"Транзистор КТ315", "Диод Д9Б", "Стабилитрон", "Тиристор КУ202", "Ёмкость"};
  std::vector<Row> rows;
  {
    VXO_dBaseFld t(path, true, true);
    for (std::size_t i = 0; i < names.size(); ++i) {
      t.BlankRecord();
      t.TextPut(1, Oem(names[i]));
      t.NumberPut(2, 1.25L * static_cast<long double>(i));
      Row r;
      r.values = {"S:" + names[i], "N:" + std::to_string(1.25 * static_cast<double>(i))};
      if (i % 2 == 0) {
        int day = 9 + static_cast<int>(i);
        t.DatePut(3, TvxDBFDate::YMDToDay(2010, 6, day));
        char iso[32];
        std::snprintf(iso, sizeof iso, "D:2010-06-%02d", day);
        r.values.push_back(iso);
      } else {
        r.values.push_back("null");
      }
      t.LogicPut(4, i % 2 == 1);
      r.values.push_back(i % 2 == 1 ? "L:T" : "L:F");
      if (memo) {
        std::string text = i == 1 ? "" : "Заметка " + std::to_string(i) + "\r\nвторая строка";
        t.TextPut(5, Oem(text));
        r.values.push_back("S:" + text);
      }
      if (vfp) {
        t.NumberPut(6, -100 * static_cast<long double>(i));
        r.values.push_back("N:" + std::to_string(-100 * static_cast<int>(i)));
      }
      t.AppendRecord();
      rows.push_back(r);
    }
    // Rewrite record 2: new name, a memo where there was none.
    t.ReadRecord(2);
    t.TextPut(1, Oem("Изменено"));
    rows[1].values[0] = "S:Изменено";
    if (memo) {
      std::string text(1500, 'm');
      t.TextPut(5, text);
      rows[1].values[4] = "S:" + text;
    }
    t.WriteRecord(2);
    // Record 1: the memo rewritten longer (it moves) and then shorter.
    if (memo) {
      t.ReadRecord(1);
      t.TextPut(5, Oem(std::string(700, 'x') + "конец"));
      t.WriteRecord(1);
      t.TextPut(5, Oem("коротко"));
      t.WriteRecord(1);
      rows[0].values[4] = "S:коротко";
    }
    t.ReadRecord(3);
    t.DeleteRecord();
    rows[2].deleted = true;
  }
  PeerTable dbfread = ReadWithDbfread(dir, path);
  if (version == 0x8B) dbfread = WithoutDb4Padding(dbfread);
  ExpectSameRows(dbfread, DbfreadOrder(rows), "dbfread");
  if (PerlXBaseAvailable()) {
    // XBase hands back the stored bytes and dates: compare in that form.
    std::vector<Row> stored = rows;
    for (auto& r : stored)
      for (auto& v : r.values) {
        if (v.rfind("S:", 0) == 0) v.replace(2, std::string::npos, Oem(v.substr(2)));
        if (v.rfind("D:", 0) == 0) v.erase(9, 1).erase(6, 1);  // D:yyyy-mm-dd -> D:yyyymmdd
      }
    // XBase reads Visual FoxPro integers as unsigned.
    if (vfp)
      for (auto& r : stored) r.values.back() = "N:" + std::to_string(static_cast<std::uint32_t>(std::stoi(r.values.back().substr(2))));
    ExpectSameRows(ReadWithPerlXBase(dir, path), stored, "Perl XBase");
  }
  if (version == 0x8B) {
    // python3-dbf does not read dBASE IV tables at all.
    EXPECT_FALSE(ReadWithPythonDbf(dir, path).ok);
  } else {
    ExpectSameRows(ReadWithPythonDbf(dir, path), rows, "python3-dbf");
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, OurTablesInPeers, ::testing::Values(0x03, 0x83, 0x8B, 0xF5, 0x30),
                         [](const auto& info) {
                           char name[8];
                           std::snprintf(name, sizeof name, "v%02X", info.param);
                           return std::string(name);
                         });

namespace {

// Splits dbftool's CSV output into rows of cells.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') cell += '"', ++i;
      else if (c == '"') quoted = false;
      else cell += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(cell);
      cell.clear();
    } else if (c == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
    } else {
      cell += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

// The peer's normalised value as dbftool prints it.
std::string AsDumped(const std::string& v) {
  if (v == "null") return "";
  if (v.rfind("N:", 0) == 0) return v.substr(2);
  return v.substr(2);
}

class PeerTablesInOurs : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(PeerTablesInOurs, OpenAndDumpAsDbfreadReadsThem) {
  if (!PythonPeersAvailable()) GTEST_SKIP() << "python3-dbfread / python3-dbf not installed";
  std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  TempDir dir;
  std::string path = dir.File("peer.dbf");
  std::string type = GetParam();
  std::string fields = "NAME C(15); QTY N(8,1); WHEN D; OK L";
  if (type != "db3plain") fields += "; NOTES M";
  auto made = RunPython(dir, R"PY(
import sys, dbf, datetime
kind = sys.argv[3]
t = dbf.Table(sys.argv[1], sys.argv[2], dbf_type=('db3' if kind.startswith('db3') else kind), codepage='cp866')
t.open(dbf.READ_WRITE)
rows = [('Резистор', 1.5, datetime.date(1999, 12, 31), True, 'Первый\r\nмемо'),
        ('Конденсатор', -2, None, False, ''),
        ('Катушка', 0, datetime.date(2010, 6, 9), True, 'x' * 600),
        ('Ёлка', 12345.6, None, None, 'последняя')]
for r in rows:
    t.append(r if len(t.field_names) == 5 else r[:4])
dbf.delete(t[1])
t.close()
)PY",
                        {path, fields, type});
  ASSERT_EQ(made.exitCode, 0) << made.output;

  VXO_dBaseFld table(path, true, false);
  EXPECT_EQ(table.RecordCount(), 4);
  EXPECT_EQ(table.FieldCount(), type == "db3plain" ? 4 : 5);
  table.ReadRecord(1);
  EXPECT_EQ(platform::OemToUtf8(table.TextGet(1)), "Резистор");
  EXPECT_EQ(table.DateGet(3), TvxDBFDate::YMDToDay(1999, 12, 31));
  if (type != "db3plain") {
    EXPECT_EQ(platform::OemToUtf8(table.TextGet(5)), "Первый\r\nмемо");
  }
  table.ReadRecord(2);
  EXPECT_TRUE(table.IsDeleted());

  auto peer = ReadWithDbfread(dir, path);
  ASSERT_TRUE(peer.ok) << peer.error;
  auto dump = RunCommand(tool + " dump " + ShellQuote(path));
  ASSERT_EQ(dump.exitCode, 0);
  auto csv = ParseCsv(dump.output);
  ASSERT_EQ(csv.size(), 5u);
  std::vector<std::vector<std::string>> live, deleted;
  for (std::size_t i = 1; i < csv.size(); ++i) (csv[i][0] == "*" ? deleted : live).push_back(csv[i]);
  for (auto& r : deleted) live.push_back(r);
  ASSERT_EQ(live.size(), peer.records.size());
  for (std::size_t i = 0; i < live.size(); ++i) {
    EXPECT_EQ(live[i][0] == "*", peer.records[i].deleted);
    for (std::size_t k = 0; k < peer.records[i].values.size(); ++k) {
      std::string expected = AsDumped(peer.records[i].values[k]);
      const std::string& ours = live[i][k + 1];
      if (peer.records[i].values[k].rfind("N:", 0) == 0)
        EXPECT_DOUBLE_EQ(std::stod(ours), std::stod(expected)) << "row " << i << " field " << k;
      else
        EXPECT_EQ(ours, expected) << "row " << i << " field " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PeerTablesInOurs, ::testing::Values("db3plain", "db3", "fp", "vfp"));
