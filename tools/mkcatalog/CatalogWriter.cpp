#include "tools/mkcatalog/CatalogWriter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "engine/Errors.h"

namespace talvern::mkcatalog {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLineEnd = "\r\n";   // codes.dbc is shared with Windows programs
constexpr const char* kIndexExtension = ".cdx";

std::string Lower(std::string s) {
  for (auto& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// Index files that belong to the tables being replaced, whatever their case.
void RemoveStaleIndexes(const std::string& directory) {
  std::vector<std::string> stale;
  for (const TableSchema* t : AllTables())
    stale.push_back(Lower(fs::path(t->fileName).stem().string()) + kIndexExtension);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec)) {
    std::string name = Lower(entry.path().filename().string());
    if (std::find(stale.begin(), stale.end(), name) != stale.end()) {
      fs::remove(entry.path(), ec);
      if (ec) Raise("Cannot remove the old index file %s", {entry.path().string()});
    }
  }
}

}  // namespace

CatalogWriter::CatalogWriter(const std::string& directory) : directory_(directory) {
  std::error_code ec;
  fs::create_directories(directory_, ec);
  if (ec) Raise("Cannot create the directory %s", {directory_});
  std::string pattern = directory_ + "/.mkcatalog-XXXXXX";
  if (!mkdtemp(pattern.data())) Raise("Cannot create a staging directory in %s", {directory_});
  staging_ = pattern;
}

CatalogWriter::~CatalogWriter() {
  devices_.reset();
  std::error_code ec;
  fs::remove_all(staging_, ec);
}

void CatalogWriter::WriteGroups(const std::vector<Group>& groups) {
  TableWriter t(staging_, GroupsTable());
  for (const auto& g : groups) {
    t.Begin();
    t.Number("GROUP", g.code);
    t.Text("NAME", g.name);
    t.Append();
  }
}

void CatalogWriter::WriteKinds(const std::vector<Kind>& kinds) {
  TableWriter t(staging_, KindsTable());
  for (const auto& k : kinds) {
    t.Begin();
    t.Number("VID", k.vid);
    t.Number("GROUP", k.group);
    t.Text("NAME", k.name);
    t.Append();
  }
}

void CatalogWriter::WriteLayout(const std::vector<LayoutRow>& rows) {
  TableWriter t(staging_, LayoutTable());
  for (const auto& r : rows) {
    t.Begin();
    t.Number("VID", r.vid);
    t.Number("FLD", r.fld);
    t.Number("GRP", r.grp);
    t.Number("DOP", r.dop);
    t.Number("LEN", r.len);
    t.Text("SHORT", r.shortName);
    t.Text("VAL", r.unit);
    t.Text("FULL", r.fullName);
    t.Append();
  }
}

void CatalogWriter::WriteDrawings(const std::vector<Drawing>& drawings) {
  TableWriter t(staging_, DrawingsTable());
  for (const auto& d : drawings) {
    t.Begin();
    t.Text("PIC", d.code);
    t.Text("FN", d.fileName);
    if (!d.gif.empty()) t.Memo("PICTURE", d.gif);
    t.Append();
  }
}

void CatalogWriter::WritePackages(const std::vector<PackageRow>& rows) {
  const TableSchema& schema = PackagesTable();
  TableWriter t(staging_, schema);
  for (const auto& row : rows) {
    t.Begin();
    for (std::size_t i = 0; i < schema.fields.size(); ++i) {
      const FieldSpec& f = schema.fields[i];
      if (f.type == 'N') {
        if (!row.cells[i].empty()) t.Number(f.name, std::stoll(row.cells[i]));
      } else {
        t.Text(f.name, row.cells[i]);
      }
    }
    t.Append();
  }
}

std::string SmdCodesText(std::vector<SmdCode> codes) {
  std::stable_sort(codes.begin(), codes.end(), [](const SmdCode& a, const SmdCode& b) {
    int byCode = a[0].compare(b[0]);
    return byCode != 0 ? byCode < 0 : a[1].compare(b[1]) < 0;
  });
  std::string text;
  for (const auto& code : codes) {
    for (std::size_t i = 0; i < code.size(); ++i) {
      if (i > 0) text += '|';
      text += code[i];
    }
    text += kLineEnd;
  }
  return text;
}

void CatalogWriter::WriteFile(const std::string& name, const std::string& bytes) {
  std::string path = staging_ + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Raise("Error writing to %s", {path});
}

void CatalogWriter::WriteSmdCodes(std::vector<SmdCode> codes) {
  WriteFile(kCodesFileName, SmdCodesText(std::move(codes)));
}

void CatalogWriter::AddDevice(const Device& device) {
  if (!devices_) devices_ = std::make_unique<TableWriter>(staging_, DevicesTable());
  TableWriter& t = *devices_;
  t.Begin();
  t.Text("TYPE", device.type);
  t.Number("VID", device.vid);
  t.Text("PARAMS", device.params);
  t.Text("PIC", device.pic);
  t.Text("TERM", device.term);
  t.Logic("IMPORT", device.imported);
  t.Append();
}

void CatalogWriter::Commit() {
  if (!devices_) devices_ = std::make_unique<TableWriter>(staging_, DevicesTable());
  devices_->Close();
  devices_.reset();
  RemoveStaleIndexes(directory_);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(staging_, ec)) {
    fs::path target = fs::path(directory_) / entry.path().filename();
    fs::rename(entry.path(), target, ec);
    if (ec) Raise("Cannot move %s into %s", {entry.path().string(), directory_});
  }
  if (ec) Raise("Cannot read the staging directory %s", {staging_});
  committed_ = true;
}

void WriteCatalogue(const Catalogue& catalogue, const std::string& directory) {
  CatalogWriter writer(directory);
  writer.WriteGroups(catalogue.groups);
  writer.WriteKinds(catalogue.kinds);
  writer.WriteLayout(catalogue.layout);
  writer.WriteDrawings(catalogue.drawings);
  writer.WritePackages(catalogue.packages);
  writer.WriteSmdCodes(catalogue.smdCodes);
  for (const auto& d : catalogue.devices) writer.AddDevice(d);
  writer.Commit();
}

}  // namespace talvern::mkcatalog

