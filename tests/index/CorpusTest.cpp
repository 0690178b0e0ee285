// The real-world index files: every tag opens and lists its record numbers in
// the order Perl's XBase::Index reads (recnos_all of each *.expected.json).
// Tags whose keys this engine computes are also searched for the key of every
// record, which must find an entry of that key; tags it cannot compute (long
// field names, foreign collations) refuse seeks with a clear error instead of
// answering wrongly. The peer reads no .mdx file of the corpus: their orders
// are worked out from their bytes.

#include <numeric>
#include <sstream>

#include "IndexTestKit.h"
#include "Peers.h"
#include "handler/TableHandler.h"
#include "index/CdxFile.h"
#include "index/MdxFile.h"
#include "engine/Strings.h"
#include "index/KeyCompare.h"

namespace talvern::testing {
namespace {

const char* kExtract = R"PY(
import json, sys, glob, os
root = sys.argv[1]
formats = sys.argv[2].split(',')
for p in sorted(glob.glob(os.path.join(root, 'dbf', '**', '*.expected.json'), recursive=True)):
    d = json.load(open(p))
    if d.get('kind') != 'index' or d.get('format') not in formats: continue
    print('I\t%s\t%s' % (d['file'], d['table']))
    for t in d['tags']:
        print('G\t%s\t%s' % (t['tag'], ','.join(str(r) for r in t.get('recnos_all') or [])))
)PY";

struct TagExpect {
  std::string name;
  std::vector<std::int32_t> recnos;
};

struct IndexExpect {
  std::string file, table;
  std::vector<TagExpect> tags;
};

std::vector<IndexExpect> LoadExpectations(const std::string& corpus, const std::string& formats) {
  TempDir dir;
  auto result = RunPython(dir, kExtract, {corpus, formats});
  std::vector<IndexExpect> out;
  std::stringstream in(result.output);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> p;
    std::stringstream fields(line);
    std::string part;
    while (std::getline(fields, part, '\t')) p.push_back(part);
    if (p.size() < 2) continue;
    if (p[0] == "I") {
      out.push_back({p[1], p[2], {}});
    } else if (p[0] == "G") {
      TagExpect t{p[1], {}};
      if (p.size() > 2) {
        std::stringstream numbers(p[2]);
        while (std::getline(numbers, part, ',')) t.recnos.push_back(std::stoi(part));
      }
      out.back().tags.push_back(t);
    }
  }
  return out;
}

// Copies an index file and its table (with the table's memo files, so that
// it opens as it does in place) into dir, and opens the table; null for a
// table of a version the engine refuses, whose index still walks, opened
// without a table. Copies, because opening a table's own index marks the
// table.
std::unique_ptr<IndexedTable> CopyBeside(const std::string& corpus, const IndexExpect& expect, const TempDir& dir) {
  std::string tableName = expect.table.substr(expect.table.rfind('/') + 1);
  std::string indexName = expect.file.substr(expect.file.rfind('/') + 1);
  std::string base = tableName.substr(0, tableName.rfind('.'));
  std::string folder = corpus + "/" + expect.table.substr(0, expect.table.rfind('/'));
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string n = entry.path().filename().string();
    if (n.size() > base.size() && CompareText(n.substr(0, base.size() + 1), base + ".") == 0)
      std::filesystem::copy_file(entry.path(), dir.File(n));
  }
  std::filesystem::copy_file(corpus + "/" + expect.file, dir.File(indexName),
                             std::filesystem::copy_options::overwrite_existing);
  try {
    return std::make_unique<IndexedTable>(dir.File(tableName), false, false);
  } catch (const ETalvernError&) {
    return nullptr;
  }
}

// Seeks the key of every record of the tag's order: each must find an entry
// with that key (only a stale index may miss one, or a table in another code
// page than 866, whose UPPER() of letters beyond ASCII differs from that
// program's). Answers the number of seeks made, -1 when the tag refuses them.
int SeekEveryKey(IndexedTable& table, VXobjIndexTag& tag, const IndexExpect& expect, const TagExpect& t) {
  int searched = 0;
  for (std::int32_t r : t.recnos) {
    table.ReadRecord(r);
    VXobjIndexKeyData key;
    if (!tag.Searchable()) {
      EXPECT_NE(ErrorOf([&] { tag.Seek(tag.SearchKey("A")); }), "");
      return -1;
    }
    bool ok = true;
    if (!tag.KeyEvaluate(key, ok) || !ok) continue;
    key.Link = kAnyRecord;
    std::int32_t found = tag.SeekKey(key, true);
    tag.KeyConvert(key, true);
    if (found <= 0) {
      bool nonAscii = std::any_of(key.View().begin(), key.View().end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
      std::uint8_t codePage = table.HeaderImage()[29];
      bool foreignCodePage = codePage != 0x26 && codePage != 0x65;
      EXPECT_TRUE(expect.file.find("issue115") != std::string::npos || (nonAscii && foreignCodePage))
          << "record " << r;
      continue;
    }
    EXPECT_TRUE(SameKey(tag.Current, key)) << "record " << r;
    ++searched;
  }
  tag.ReleaseNodes();
  return searched;
}

TEST(IndexCorpus, EveryTagListsThePeersOrderAndSeeksNeverAnswerWrongly) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  auto expectations = LoadExpectations(corpus, "CDX");
  ASSERT_GE(expectations.size(), 40u);
  int tags = 0, searched = 0, refused = 0;
  for (const auto& expect : expectations) {
    SCOPED_TRACE(expect.file);
    TempDir dir;
    std::unique_ptr<IndexedTable> table = CopyBeside(corpus, expect, dir);
    std::string indexName = expect.file.substr(expect.file.rfind('/') + 1);
    VXobjCDXFile file(table.get(), dir.File(indexName), false, false, false, false);
    ASSERT_TRUE(file.IsOpened());
    ASSERT_EQ(file.TagCount(), static_cast<int>(expect.tags.size()));
    for (const auto& t : expect.tags) {
      SCOPED_TRACE(t.name);
      VXobjIndexTag* tag = file.TagByName(t.name);
      ASSERT_NE(tag, nullptr);
      EXPECT_EQ(Walk(*tag), t.recnos);
      ++tags;
      if (!table) continue;
      int n = SeekEveryKey(*table, *tag, expect, t);
      if (n < 0) ++refused;
      else searched += n;
    }
  }
  EXPECT_GE(tags, 100);
  EXPECT_GT(searched, 1000);
  EXPECT_GT(refused, 0);
}

// The .ntx and .ndx files: one tag each, named after the file.
TEST(IndexCorpus, SingleTagFilesListThePeersOrder) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  auto expectations = LoadExpectations(corpus, "NTX,NDX");
  ASSERT_GE(expectations.size(), 13u);
  int searched = 0;
  for (const auto& expect : expectations) {
    SCOPED_TRACE(expect.file);
    TempDir dir;
    std::unique_ptr<IndexedTable> table = CopyBeside(corpus, expect, dir);
    std::string indexName = expect.file.substr(expect.file.rfind('/') + 1);
    auto file = MakeIndexFile(table.get(), dir.File(indexName), false, false, false);
    ASSERT_TRUE(file && file->IsOpened());
    ASSERT_EQ(file->TagCount(), 1);
    VXobjIndexTag& tag = *file->TagByNumber(0);
    EXPECT_EQ(tag.Name, UpperCase(BaseName(indexName)));
    EXPECT_EQ(Walk(tag), expect.tags.front().recnos);
    if (table) searched += std::max(SeekEveryKey(*table, tag, expect, expect.tags.front()), 0);
  }
  EXPECT_GT(searched, 500);
}

// .mdx files of a later program (version 3, 43-byte tag entries, 4-byte
// integer keys): the tags and orders read from their bytes. ENGINEER_NO of
// qaid.MDX lists what the peer reads from engineer.ndx, an index of the same
// key on the same table.
TEST(IndexCorpus, LaterMdxFilesWalkInTheirStoredOrder) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  const std::string folder = corpus + "/dbf/dbaseplus-samples/";
  auto names = [](const VXobjIndexFile& file) {
    std::vector<std::string> out;
    for (int i = 0; i < file.TagCount(); ++i) out.push_back(file.TagByNumber(i)->Name);
    return out;
  };
  VXobjMDXFile engineer(nullptr, folder + "engineer.MDX", false, false, false, false);
  ASSERT_TRUE(engineer.IsOpened());
  EXPECT_EQ(names(engineer), (std::vector<std::string>{"ENGINEER_NO", "LASTNAME"}));
  EXPECT_EQ(Walk(*engineer.TagByName("ENGINEER_NO")), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Walk(*engineer.TagByName("LASTNAME")), (std::vector<std::int32_t>{3, 1, 2, 4, 5, 6}));
  EXPECT_EQ(std::string(Entries(*engineer.TagByName("LASTNAME")).front().first), "Kay");

  VXobjMDXFile qaid(nullptr, folder + "qaid.MDX", false, false, false, false);
  ASSERT_TRUE(qaid.IsOpened());
  EXPECT_EQ(names(qaid), (std::vector<std::string>{"IMPORTANCE_ENGINEER", "IMPORTANCE", "ENGINEER_NO", "QAID_NO",
                                                   "ENGINEER_IMPORTANCE"}));
  std::vector<std::int32_t> ordered(18);
  std::iota(ordered.begin(), ordered.end(), 1);
  EXPECT_EQ(Walk(*qaid.TagByName("QAID_NO")), ordered);
  EXPECT_EQ(Walk(*qaid.TagByName("ENGINEER_NO")),
            (std::vector<std::int32_t>{1, 8, 9, 10, 15, 3, 4, 5, 11, 16, 17, 2, 6, 7, 12, 13, 14, 18}));
  for (int i = 0; i < qaid.TagCount(); ++i) EXPECT_EQ(Walk(*qaid.TagByNumber(i)).size(), 18u);
}

// A table whose index holds keys in a form of another program (4-byte keys
// of integer fields): the handler walks the tag, but a seek says why it
// cannot search, and a write is refused before anything is written.
TEST(IndexCorpus, ForeignKeyFormsWalkButRefuseSeeksAndWrites) {
  std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  TempDir dir;
  for (const char* name : {"calls.dbf", "calls.CDX", "calls.FPT"})
    std::filesystem::copy_file(corpus + "/dbf/infused-dbf/foxprodb/" + name, dir.File(name));
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  for (const char* name : {"calls.dbf", "calls.CDX", "calls.FPT"})
    std::filesystem::permissions(dir.File(name), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  const std::string before = ReadFile(dir.File("calls.dbf"));
  VXO_dBHandler table(dir.File("calls.dbf"), true, true);
  table.OpenIndexFiles("calls.CDX", "CALL_ID");
  std::vector<std::int32_t> order;
  for (table.ReadRecord(RecTop); !table.Eof(); table.ReadRecord(RecNext)) order.push_back(table.RecNo());
  EXPECT_EQ(order.size(), 16u);
  std::string seek = ErrorOf([&] { table.FindKey("1"); });
  EXPECT_NE(seek.find("Index tag CALL_ID cannot be searched"), std::string::npos) << seek;
  table.ReadRecord(1);
  table.TextPutByName("SUBJECT", "changed");
  std::string write = ErrorOf([&] { table.WriteRecord(1); });
  EXPECT_NE(write.find("cannot maintain"), std::string::npos) << write;
  table.CloseIndexFiles();
  EXPECT_EQ(ReadFile(dir.File("calls.dbf")), before);
}

}  // namespace
}  // namespace talvern::testing
