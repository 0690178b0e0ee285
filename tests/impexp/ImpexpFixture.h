#pragma once
// Catalogues for the maintenance commands' tests: small hand-made ones
// written with the sample builder, or a copy of the sample catalogue; a host
// that records the protocol and answers questions from a script; the
// devices and drawings as plain records to compare before and after.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "dataset/TalvernDataSet.h"
#include "impexp/CatalogueFiles.h"
#include "impexp/MaintenanceHost.h"
#include "platform/CodePage.h"
#include "tools/mkcatalog/CatalogWriter.h"

namespace talvern::testing {

// A GIF file whose logical screen is width x height, holding one white
// pixel.
inline std::string MakeGif(int width, int height) {
  std::string gif = "GIF89a";
  gif += static_cast<char>(width & 0xFF);
  gif += static_cast<char>(width >> 8);
  gif += static_cast<char>(height & 0xFF);
  gif += static_cast<char>(height >> 8);
  gif += std::string("\x80\x00\x00", 3);              // two-entry colour table
  gif += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);  // black, white
  gif += std::string(",\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);  // a 1 x 1 frame
  gif += std::string("\x02\x02\x44\x01\x00;", 6);  // codes clear, 1, end; trailer
  return gif;
}

// Records the protocol and the questions; answers them from a script
// (replace when it runs out: fallback).
struct RecordingHost : impexp::MaintenanceHost {
  std::vector<std::string> lines;
  std::vector<std::string> questions;
  std::deque<Answer> answers;
  Answer fallback{true, false};
  std::string status;

  void Protocol(const std::string& line) override { lines.push_back(line); }
  Answer AskReplace(const std::string& item) override {
    questions.push_back(item);
    if (answers.empty()) return fallback;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Progress(const std::string& text) override { status = text; }
  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

// A device as stored, texts in UTF-8.
struct DeviceRecord {
  std::string type, pic, term, params;
  std::int32_t vid = 0;
  bool imported = false;
  bool operator==(const DeviceRecord&) const = default;
};
inline void PrintTo(const DeviceRecord& d, std::ostream* os) {
  *os << "{" << d.type << ", " << d.vid << ", PIC " << d.pic << ", TERM " << d.term << ", PARAMS " << d.params << ", "
      << (d.imported ? "T" : "F") << "}";
}

inline std::string Utf8(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }
inline std::string Ansi(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }
inline std::string Oem(const std::string& utf8) { return platform::Utf8ToOem(utf8); }

// Every device of the table by record number (main.dbf opened on its own).
inline std::map<std::int32_t, DeviceRecord> ReadDevices(const std::string& directory) {
  TTalvernDataSet main;
  main.SetDatabaseName(directory);
  main.SetTableName("main.dbf");
  main.Open();
  std::map<std::int32_t, DeviceRecord> devices;
  for (; !main.Eof(); main.Next())
    devices[main.RecNo()] = {Utf8(main.FieldByName("TYPE").AsString()), main.FieldByName("PIC").AsString(),
                             Utf8(main.FieldByName("TERM").AsString()), Utf8(main.FieldByName("PARAMS").AsString()),
                             main.FieldByName("VID").AsInteger(), main.FieldByName("IMPORT").AsBoolean()};
  return devices;
}

// A drawing as stored: code, name (UTF-8), picture bytes.
struct DrawingRecord {
  std::string code, name, picture;
  bool operator==(const DrawingRecord&) const = default;
};
inline void PrintTo(const DrawingRecord& d, std::ostream* os) {
  *os << "{" << d.code << ", " << d.name << ", " << d.picture.size() << " bytes}";
}

inline std::map<std::int32_t, DrawingRecord> ReadDrawings(const std::string& directory) {
  TTalvernDataSet pics;
  pics.SetDatabaseName(directory);
  pics.SetTableName("PICS.DBF");
  pics.Open();
  pics.FieldByName("PICTURE").SetTransliterate(false);
  std::map<std::int32_t, DrawingRecord> drawings;
  for (; !pics.Eof(); pics.Next()) {
    const TField& picture = pics.FieldByName("PICTURE");
    drawings[pics.RecNo()] = {pics.FieldByName("PIC").AsString(), Utf8(pics.FieldByName("FN").AsString()),
                              pics.CreateBlobStream(picture, bmRead)->ReadAll()};
  }
  return drawings;
}

// A small catalogue: kind 12 with three layout columns shown in the FLD
// order 3, 1, 2 and three devices; kind 13 with one device; kind 20 with a
// layout and no devices; drawings 001 TO92, 002 КТ-26 and the free record
// 003. Device 2N3055X points at the code 00H, which has no record.
inline mkcatalog::Catalogue SmallCatalogue() {
  using namespace mkcatalog;
  Catalogue c;
  c.groups = {{1, "Транзисторы"}, {2, "Диоды"}};
  c.kinds = {{12, 1, "Маломощные"}, {13, 1, "Мощные"}, {20, 2, "Пустой"}};
  c.layout = {{12, 3, 1, 0, 3, "Uкэ", "В", "Напряжение"},
              {12, 1, 2, 0, 2, "Ст", "", "Структура"},
              {12, 2, 2, 1, 4, "h21э", "", "Усиление"},
              {13, 1, 1, 0, 5, "Pк", "Вт", "Мощность"},
              {20, 1, 1, 0, 6, "Uобр", "В", "Напряжение"}};
  c.devices = {{"КТ315А", 12, "n-p-n|20...90|25", "001002", "-60...+100", false},
               {"BC547", 12, "npn||45", "", "", true},
               {"2N3055X", 12, "", "00H", "", true},
               {"КТ819А", 13, "60", "001", "-40...+100", false}};
  c.drawings = {{"001", "TO92", MakeGif(20, 10)}, {"002", "КТ-26", MakeGif(30, 20)}, {"003", "NUL", ""}};
  c.smdCodes = {{"1A", "BC846A", "npn", "SOT-23", "Philips", ""}, {"B2", "BZX84", "zener", "", "", ""}};
  return c;
}

struct ImpexpTest : ::testing::Test {
  TempDir dir;
  RecordingHost host;

  void WriteCatalogue(const mkcatalog::Catalogue& catalogue) { mkcatalog::WriteCatalogue(catalogue, dir.Path()); }
  std::string File(const std::string& name) const { return dir.File(name); }
  // A table file in code page 866 from UTF-8 lines (CR LF added).
  std::string WriteTable(const std::string& name, const std::vector<std::string>& utf8Lines) {
    std::string bytes;
    for (const auto& line : utf8Lines) bytes += Oem(line) + "\r\n";
    WriteFile(File(name), bytes);
    return File(name);
  }
};

// The sample catalogue the build puts next to the program, copied; false
// when the build has not made it.
inline bool CopySampleCatalogue(const TempDir& dir) {
  namespace fs = std::filesystem;
  const fs::path sample = fs::path(TALVERN_BINARY_DIR) / "app";
  const char* names[] = {"groups.dbf", "vids.dbf", "fields.dbf", "main.dbf", "PICS.DBF", "PICS.FPT", "codes.dbc"};
  for (const char* name : names)
    if (!fs::exists(sample / name)) return false;
  for (const char* name : names) fs::copy_file(sample / name, dir.File(name));
  return true;
}

}  // namespace talvern::testing
