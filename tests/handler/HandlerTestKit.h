#pragma once
// Helpers of the table handler tests: a small catalogue-like table (TYPE C
// 10, VID N 4) made in a temporary directory, and walks that list the
// record numbers a table shows.

#include <string>
#include <vector>

#include "engine/TableHelpers.h"
#include "engine/CreateTable.h"
#include "handler/DbfObject.h"
#include "engine/TableTypes.h"

namespace talvern::testing {

using Recs = std::vector<int>;

struct Device {
  std::string type;
  int vid;
  bool deleted = false;
};

// Creates path with one record per device, in order.
inline void MakeDevices(const std::string& path, const std::vector<Device>& devices) {
  CreateTable(path, 0x03, {{"TYPE", 'C', 10, 0}, {"VID", 'N', 4, 0}});
  VXO_dBaseFld t(path, false, true);
  for (const auto& d : devices) {
    t.BlankRecord();
    t.RawPut(1, d.type);
    t.NumberPut(2, d.vid);
    t.AppendRecord();
    if (d.deleted) t.DeleteRecord();
  }
}

// prefix followed by the number ("D7"), built without the temporaries that
// g++ 12 warns about.
inline std::string Named(const char* prefix, int n, const char* suffix = "") {
  std::string s(prefix);
  s += std::to_string(n);
  s += suffix;
  return s;
}

// n devices "D1".."Dn" whose kind is their number modulo kinds.
inline std::vector<Device> Numbered(int n, int kinds = 3) {
  std::vector<Device> devices;
  for (int i = 1; i <= n; ++i) devices.push_back({Named("D", i), i % kinds});
  return devices;
}

// The record numbers met from the top to the end of the order.
inline std::vector<int> Forward(VXO_dBHandler& t) {
  std::vector<int> seen;
  for (t.ReadRecord(RecTop); !t.Eof() && !t.Bof(); t.ReadRecord(RecNext)) seen.push_back(t.RecNo());
  return seen;
}

// The same from the bottom backwards.
inline std::vector<int> Backward(VXO_dBHandler& t) {
  std::vector<int> seen;
  for (t.ReadRecord(RecBottom); !t.Eof() && !t.Bof(); t.ReadRecord(RecPrior)) seen.push_back(t.RecNo());
  return seen;
}

inline std::vector<int> Reversed(std::vector<int> v) { return {v.rbegin(), v.rend()}; }

}  // namespace talvern::testing
