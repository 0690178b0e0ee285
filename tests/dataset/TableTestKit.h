#pragma once
// What the table dataset tests share: small tables made in a temporary
// directory (a device table shaped like the catalogue's main.dbf, a kind
// table shaped like vids.dbf), datasets opened on them, texts written in
// UTF-8 here and handed to the dataset in code page 1251.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "dataset/TalvernDataSet.h"
#include "engine/CreateTable.h"
#include "handler/DbfObject.h"
#include "engine/Fields.h"
#include "platform/CodePage.h"

namespace talvern::tabletest {

using talvern::testing::TempDir;

// A text in the display code page (1251) and as stored (866).
inline std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsi(utf8); }
inline std::string Oem(std::string_view utf8) { return platform::Utf8ToOem(utf8); }
// A 1251 text shown in UTF-8, for readable failures.
inline std::string Utf8(std::string_view ansi) { return platform::AnsiToUtf8(ansi); }

// The message of what f raises; "" when it raises nothing.
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

struct Device {
  Device(std::string type, int vid, std::string params = "", std::string pic = "", bool imported = false)
      : type(std::move(type)), vid(vid), params(std::move(params)), pic(std::move(pic)), imported(imported) {}
  std::string type;  // UTF-8
  int vid;
  std::string params;
  std::string pic;
  bool imported;
  bool deleted = false;
};

// TYPE C(20), VID N(4), PARAMS C(60), PIC C(9), IMPORT L; one record per
// device, in order, texts stored in code page 866.
inline void MakeDeviceTable(const std::string& path, const std::vector<Device>& devices) {
  CreateTable(path, 0x03,
              {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PARAMS", 'C', 60, 0}, {"PIC", 'C', 9, 0}, {"IMPORT", 'L', 1, 0}});
  VXO_dBaseFld t(path, false, true);
  for (const Device& d : devices) {
    t.BlankRecord();
    t.RawPut(1, Oem(d.type));
    t.NumberPut(2, d.vid);
    t.RawPut(3, Oem(d.params));
    t.RawPut(4, d.pic);
    t.LogicPut(5, d.imported);
    t.AppendRecord();
    if (d.deleted) t.DeleteRecord();
  }
}

// The devices "D1".."Dn"; the kind of device i is i mod kinds + 1.
inline std::vector<Device> NumberedDevices(int n, int kinds = 3) {
  std::vector<Device> devices;
  for (int i = 1; i <= n; ++i) {
    std::string type = "D";
    type += std::to_string(i);
    devices.emplace_back(type, i % kinds + 1, "5|10||0,3");
  }
  return devices;
}

// VID N(4), GROUP N(3), NAME C(30).
inline void MakeKindTable(const std::string& path, const std::vector<std::pair<int, std::string>>& kinds) {
  CreateTable(path, 0x03, {{"VID", 'N', 4, 0}, {"GROUP", 'N', 3, 0}, {"NAME", 'C', 30, 0}});
  VXO_dBaseFld t(path, false, true);
  for (const auto& [vid, name] : kinds) {
    t.BlankRecord();
    t.NumberPut(1, vid);
    t.NumberPut(2, 1);
    t.RawPut(3, Oem(name));
    t.AppendRecord();
  }
}

// A dataset on a table of the directory, not yet open, set up as the
// catalogue sets its datasets up.
inline std::unique_ptr<TTalvernDataSet> TableDataSet(const TempDir& dir, const std::string& tableName) {
  auto ds = std::make_unique<TTalvernDataSet>();
  ds->SetDatabaseName(dir.Path());
  ds->SetTableName(tableName);
  return ds;
}

inline std::unique_ptr<TTalvernDataSet> OpenDataSet(const TempDir& dir, const std::string& tableName) {
  auto ds = TableDataSet(dir, tableName);
  ds->Open();
  return ds;
}

inline std::string Type(TDataSet& ds) { return Utf8(ds.FieldByName("TYPE").AsString()); }

// The types from the current record to the end, in UTF-8.
inline std::vector<std::string> TypesToEnd(TDataSet& ds) {
  std::vector<std::string> types;
  for (; !ds.Eof(); ds.Next()) types.push_back(Type(ds));
  return types;
}

inline std::vector<std::string> AllTypes(TDataSet& ds) {
  ds.First();
  return TypesToEnd(ds);
}

// The record numbers from the first record to the end.
inline std::vector<int> AllRecNos(TDataSet& ds) {
  std::vector<int> recNos;
  for (ds.First(); !ds.Eof(); ds.Next()) recNos.push_back(ds.RecNo());
  return recNos;
}

// Another program holding the lock of record r of a shared table until it
// is told to let go.
class LockingProcess {
public:
  // indexFile: opened by the other program too (under the default lock
  // protocol a table with index files locks its records elsewhere).
  LockingProcess(const std::string& path, int r, const std::string& indexFile = "") {
    int ready[2], done[2];
    if (pipe(ready) != 0 || pipe(done) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      char c = 0;
      std::unique_ptr<DBFObject> t;  // holds the lock until the process ends
      try {
        t = std::make_unique<DBFObject>(path, true, true);
        if (!indexFile.empty()) t->OpenIndexFile(indexFile);
        t->ReadRecord(r);
        c = t->LockRecord() ? 'L' : 'N';
      } catch (...) {
        c = 'E';
      }
      if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) < 0) _exit(2);
      _exit(0);
    }
    readyFd_ = ready[0];
    doneFd_ = done[1];
    close(ready[1]);
    close(done[0]);
    char c = 0;
    locked_ = read(readyFd_, &c, 1) == 1 && c == 'L';
  }
  ~LockingProcess() {
    char c = 'x';
    if (write(doneFd_, &c, 1) != 1) kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    close(readyFd_);
    close(doneFd_);
  }
  bool Locked() const { return locked_; }

private:
  pid_t pid_ = -1;
  int readyFd_ = -1, doneFd_ = -1;
  bool locked_ = false;
};

}  // namespace talvern::tabletest
