// The real-world corpus: every table either opens and reads as stored (the
// record count from the file size, the fields, the bytes of the records the
// peers sampled, deletion flags, memo texts), or is refused with a clear
// error. What the peers read comes from each table's *.expected.json, taken
// apart by a small Python script.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "Peers.h"
#include "TableHelpers.h"
#include "engine/Fields.h"
#include "engine/Memo.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

const char* kExtract = R"PY(
import json, sys, glob, os
root = sys.argv[1]
def hx(b): return b.hex() if b else '-'
for p in sorted(glob.glob(os.path.join(root, 'dbf', '**', '*.expected.json'), recursive=True)):
    d = json.load(open(p))
    if d.get('kind') != 'table': continue
    h = d['header']
    dr = d.get('dbfread') or {}
    readable = isinstance(dr.get('fields'), list) and 'error' not in dr
    print('T\t%s\t%d\t%d\t%d\t%d' % (d['file'], int(h['version_byte'], 16), 1 if readable else 0,
          h['records_fitting_file_size'], d.get('deleted_count_by_flag_byte', 0)))
    if not readable: continue
    enc = dr.get('encoding_used', 'latin1')
    for f in dr['fields']:
        try: name = hx(f[0].encode(enc))
        except Exception: name = hx(f[0].encode('utf-8'))
        print('F\t%s\t%s\t%d\t%d' % (name, f[1], f[2], f[3]))
    xbase = (d.get('perl_xbase') or {}).get('memo_values') or {}
    # Memos the peers could not read (no memo file found) tell nothing.
    memos = bool(dr.get('memo_file'))
    for rn, rec in sorted((dr.get('records') or {}).items(), key=lambda kv: int(kv[0])):
        raw = rec.get('raw_latin1') or {}
        if len(raw) != len(dr['fields']): raw = {}  # duplicate field names
        print('R\t%s\t%d\t%s' % (rn, 1 if int(rec.get('deletion_byte', '0x20'), 16) == 0x2a else 0,
              '\t'.join(hx(v.encode('latin1')) for v in raw.values())))
        for name, v in (rec.get('values') or {}).items():
            ftype = [f[1] for f in dr['fields'] if f[0] == name]
            if not memos or not ftype or ftype[0] not in 'MGB' or (ftype[0] == 'B' and dr.get('dbversion') == '0x30'): continue
            xv = xbase.get(rn) if isinstance(xbase.get(rn), dict) else {}
            xl = xv.get(name).get('length', -1) if isinstance(xv.get(name), dict) else -1
            if v is None: length, prefix, full = 0, b'', 1
            elif isinstance(v, str):
                try: b = v.encode(enc)
                except Exception: continue
                length, prefix, full = len(b), b, 1
            elif 'bytes_len' in v: length, prefix, full = v['bytes_len'], bytes.fromhex(v['hex_start']), 0
            elif 'undecodable_text_bytes_len' in v:
                length, prefix, full = v['undecodable_text_bytes_len'], bytes.fromhex(v['hex_start']), 0
            elif 'length_chars' in v:
                try: prefix = v['text_start'].encode(enc)
                except Exception: continue
                length, full = v['length_chars'], 0
            else: continue
            print('M\t%s\t%s\t%d\t%s\t%d\t%d' % (rn, name, length, hx(prefix), full, xl))
)PY";

struct MemoExpect {
  int recno;
  std::string field;
  std::int64_t length;
  std::string prefix;
  bool full;
  std::int64_t xbaseLength;
};

struct TableExpect {
  std::string file;
  int version = 0;
  bool readable = false;
  int fitting = 0;
  int deletedByFlag = 0;
  std::vector<PeerField> fields;
  std::vector<std::pair<int, std::pair<bool, std::vector<std::string>>>> records;
  std::vector<MemoExpect> memos;
};

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, '\t')) parts.push_back(part);
  if (!line.empty() && line.back() == '\t') parts.emplace_back();
  return parts;
}

std::string Unhex(const std::string& h) {
  if (h == "-") return "";
  std::string out;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
  return out;
}

std::vector<TableExpect> LoadExpectations(const std::string& corpus) {
  TempDir dir;
  auto result = RunPython(dir, kExtract, {corpus});
  std::vector<TableExpect> tables;
  std::stringstream in(result.output);
  std::string line;
  while (std::getline(in, line)) {
    auto p = Split(line);
    if (p[0] == "T") {
      tables.push_back({});
      auto& t = tables.back();
      t.file = p[1];
      t.version = std::stoi(p[2]);
      t.readable = p[3] == "1";
      t.fitting = std::stoi(p[4]);
      t.deletedByFlag = std::stoi(p[5]);
    } else if (p[0] == "F") {
      tables.back().fields.push_back({Unhex(p[1]), p[2][0], std::stoi(p[3]), std::stoi(p[4])});
    } else if (p[0] == "R") {
      std::vector<std::string> raw;
      for (std::size_t i = 3; i < p.size(); ++i)
        if (!p[i].empty()) raw.push_back(Unhex(p[i]));
      tables.back().records.push_back({std::stoi(p[1]), {p[2] == "1", raw}});
    } else if (p[0] == "M") {
      tables.back().memos.push_back(
          {std::stoi(p[1]), p[2], std::stoll(p[3]), Unhex(p[4]), p[5] == "1", std::stoll(p[6])});
    }
  }
  return tables;
}

bool KnownVersion(int v) { return v == 0x03 || v == 0x04 || v == 0x30 || v == 0x83 || v == 0x8B || v == 0xF5; }

}  // namespace

TEST(Corpus, EveryTableOpensAndReadsAsStoredOrIsRefusedClearly) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "the real-world corpus is absent";
  if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "python3 is needed to read the expectations";
  auto tables = LoadExpectations(corpus);
  ASSERT_GT(tables.size(), 90u);
  int opened = 0, refused = 0, memosChecked = 0, memoErrors = 0;
  for (const auto& e : tables) {
    SCOPED_TRACE(e.file);
    std::string path = corpus + "/" + e.file;
    std::unique_ptr<VXO_dBaseFld> table;
    std::string error = ErrorOf([&] { table = std::make_unique<VXO_dBaseFld>(path, true, false); });
    if (!table) {
      ++refused;
      EXPECT_NE(error, "") << "refused without an engine error";
      EXPECT_NE(error.find(path), std::string::npos) << error;
      // Only versions the engine does not take, and the dBASE 7 layout of
      // 0x04, may be refused.
      EXPECT_TRUE(!KnownVersion(e.version) || e.version == 0x04) << error;
      continue;
    }
    ++opened;
    EXPECT_TRUE(KnownVersion(e.version));
    EXPECT_NE(e.version, 0x04) << "dBASE 7 layout read as 32-byte descriptors";
    EXPECT_EQ(table->RecordCount(), e.fitting);
    if (!e.readable) continue;
    ASSERT_EQ(table->FieldCount(), static_cast<int>(e.fields.size()));
    for (int i = 1; i <= table->FieldCount(); ++i) {
      const auto& f = e.fields[static_cast<std::size_t>(i - 1)];
      EXPECT_EQ(table->FieldName(i), f.name);
      EXPECT_EQ(table->FieldType(i), f.type);
      EXPECT_EQ(table->FieldLength(i), f.length);
    }
    for (const auto& [recno, rec] : e.records) {
      if (recno > table->RecordCount()) continue;
      table->ReadRecord(recno);
      EXPECT_EQ(table->CurrentRecord()[0] == '*', rec.first) << "record " << recno;
      for (std::size_t i = 0; i < rec.second.size() && i < e.fields.size(); ++i)
        EXPECT_EQ(table->RawGet(static_cast<int>(i) + 1), rec.second[i]) << "record " << recno << " field " << i + 1;
      for (const auto& m : e.memos) {
        if (m.recno != recno) continue;
        int field = table->FieldNumber(m.field);
        std::string bytes;
        std::string memoError = ErrorOf([&] {
          VXobjMemo* memo = table->MemoObject(field);
          ASSERT_NE(memo, nullptr);
          bytes = memo->ReadMemoText(static_cast<std::int32_t>(table->NumberGet(field)));
        });
        if (!memoError.empty()) {
          // Every memo of the corpus reads (other engines' block types as
          // their bytes, a container's memos from its .DCT); any other
          // failure must at least be a clear error.
          ++memoErrors;
          std::printf("memo refused: %s record %d %s: %s\n", e.file.c_str(), recno, m.field.c_str(), memoError.c_str());
          EXPECT_TRUE(memoError.find("Memo record is bad in") == 0 || memoError.find("could not be found") != std::string::npos)
              << memoError;
          continue;
        }
        ++memosChecked;
        auto length = static_cast<std::int64_t>(bytes.size());
        if (length != m.length) {
          // The peers disagree on this memo; ours must match one of them.
          EXPECT_EQ(length, m.xbaseLength) << "record " << recno << " memo " << m.field;
          continue;
        }
        if (m.full) EXPECT_EQ(bytes, m.prefix) << "record " << recno << " memo " << m.field;
        else EXPECT_EQ(bytes.substr(0, m.prefix.size()), m.prefix) << "record " << recno << " memo " << m.field;
      }
    }
    int deleted = 0;
    for (int n = 1; n <= table->RecordCount(); ++n) {
      table->ReadRecord(n);
      deleted += table->CurrentRecord()[0] == '*';
    }
    EXPECT_EQ(deleted, e.deletedByFlag);
  }
  RecordProperty("opened", opened);
  RecordProperty("refused", refused);
  std::printf("corpus: %d tables opened, %d refused, %d memos checked, %d memo errors\n", opened, refused,
              memosChecked, memoErrors);
  EXPECT_GT(memosChecked, 50);
  EXPECT_EQ(memoErrors, 0);
}

// A database container keeps its memos in a .DCT, which the peers do not
// look for: a few lines of Python read its blocks (type and length
// big-endian, then the bytes) for every record instead.
TEST(Corpus, AContainersMemosAreReadFromItsDct) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "the real-world corpus is absent";
  if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "python3 is needed";
  const std::string dbc = corpus + "/dbf/infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC";
  TempDir dir;
  auto memos = RunPython(dir, R"PY(
import struct, sys
t = open(sys.argv[1], 'rb').read()
m = open(sys.argv[1][:-2] + 'CT', 'rb').read()
header, width = struct.unpack('<HH', t[8:12])
count = struct.unpack('<I', t[4:8])[0]
fields, at, offset = [], 32, 1
while t[at] != 0x0D:
    kind, size = chr(t[at + 11]), t[at + 16]
    if kind == 'M': fields.append(offset)
    offset += size; at += 32
block_size = struct.unpack('>H', m[6:8])[0]
for r in range(count):
    record = t[header + r * width: header + (r + 1) * width]
    for f in fields:
        block = struct.unpack('<I', record[f:f + 4])[0]
        text = b''
        if block:
            length = struct.unpack('>I', m[block * block_size + 4: block * block_size + 8])[0]
            text = m[block * block_size + 8: block * block_size + 8 + length]
        print(text.hex() or '-')
)PY", {dbc});
  ASSERT_EQ(memos.exitCode, 0) << memos.output;
  std::stringstream expected(memos.output);
  VXO_dBaseFld table(dbc, true, false);
  int checked = 0, nonEmpty = 0;
  for (std::int32_t r = 1; r <= table.RecordCount(); ++r) {
    table.ReadRecord(r);
    for (int f = 1; f <= table.FieldCount(); ++f) {
      if (table.FieldType(f) != 'M') continue;
      std::string line;
      ASSERT_TRUE(std::getline(expected, line));
      VXobjMemo* memo = table.MemoObject(f);
      ASSERT_NE(memo, nullptr);
      const std::string bytes = memo->ReadMemoText(static_cast<std::int32_t>(table.NumberGet(f)));
      EXPECT_EQ(bytes, Unhex(line)) << "record " << r << " field " << f;
      ++checked;
      nonEmpty += !bytes.empty();
    }
  }
  EXPECT_GT(checked, 100);
  EXPECT_GT(nonEmpty, 10);
}

TEST(Corpus, DbftoolDumpsEveryTableOrSaysWhyNot) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "the real-world corpus is absent";
  std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "dbftool is not built";
  int dumped = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus + "/dbf")) {
    std::string ext = entry.path().extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".dbf" && ext != ".dbc") continue;
    std::string path = entry.path().string();
    SCOPED_TRACE(path);
    std::string command = ShellQuote(tool);
    command += " dump ";
    command += ShellQuote(path);
    auto r = RunCommand(command + " 2>/dev/null");
    if (r.exitCode == 0) {
      ++dumped;
      EXPECT_EQ(r.output.rfind("DELETED", 0), 0u);
    } else {
      // Tables the engine opens are dumped whole, memos included.
      EXPECT_EQ(path.find("zDefect"), std::string::npos);
      EXPECT_EQ(path.find("FOXPRO-DB-TEST"), std::string::npos);
      auto err = RunCommand(command + " 2>&1 >/dev/null");
      EXPECT_EQ(err.exitCode, 1);
      EXPECT_EQ(err.output.rfind("dbftool dump: ", 0), 0u) << err.output;
    }
  }
  EXPECT_GT(dumped, 80);
}
