#pragma once
// The independent DBF readers and writers used as test oracles: Debian's
// python3-dbfread and python3-dbf (through /usr/bin/python3) and Perl's
// XBase (/usr/bin/perl). Each runs as a child process on a small script; its
// output is one line per field and per record:
//   F <tab> NAME <tab> TYPE <tab> LENGTH <tab> DECIMALS
//   R <tab> 0|1 (deleted) <tab> hex(value) <tab> ...
// where each value is normalised to text as "S:" text (trailing blanks
// removed), "N:" repr(float), "D:" yyyy-mm-dd, "L:" T or F, "null", or "B:"
// hex bytes, encoded in UTF-8.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "TestFiles.h"

namespace talvern::testing {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output; standard error goes to the test log
};

// Runs a shell command and collects its standard output.
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// Runs a Python script (written to a file in dir) with Debian's python3.
inline CommandResult RunPython(const TempDir& dir, const std::string& script,
                               const std::vector<std::string>& args = {}) {
  std::string file = dir.File("peer.py");
  WriteFile(file, script);
  std::string command = "/usr/bin/python3 ";
  command += ShellQuote(file);
  for (const auto& a : args) {
    command += ' ';
    command += ShellQuote(a);
  }
  return RunCommand(command);
}

inline bool PythonPeersAvailable() {
  static const bool available = [] {
    return access("/usr/bin/python3", X_OK) == 0 &&
           RunCommand("/usr/bin/python3 -c 'import dbf, dbfread' 2>/dev/null").exitCode == 0;
  }();
  return available;
}

inline bool PerlXBaseAvailable() {
  static const bool available = [] {
    return access("/usr/bin/perl", X_OK) == 0 &&
           RunCommand("/usr/bin/perl -MXBase -e 1 2>/dev/null").exitCode == 0;
  }();
  return available;
}

struct PeerField {
  std::string name;
  char type = 0;
  int length = 0;
  int decimals = 0;
};

struct PeerRecord {
  bool deleted = false;
  std::vector<std::string> values;  // normalised, UTF-8
};

struct PeerTable {
  bool ok = false;
  std::string error;  // the peer's output when it failed
  std::vector<PeerField> fields;
  std::vector<PeerRecord> records;
};

// The normalisation of values shared by the Python readers.
inline const char* kPythonNormalise = R"PY(
import sys, datetime, decimal
def norm(v):
    if v is None: return 'null'
    if isinstance(v, bool): return 'L:' + ('T' if v else 'F')
    if isinstance(v, datetime.datetime): return 'T:' + v.isoformat()
    if isinstance(v, datetime.date): return 'D:' + v.isoformat()
    if isinstance(v, (int, float, decimal.Decimal)): return 'N:' + repr(float(v))
    if isinstance(v, (bytes, bytearray)): return 'B:' + bytes(v).hex()
    return 'S:' + str(v).rstrip(' ')
def emit(deleted, values):
    print('R\t' + ('1' if deleted else '0') + ''.join('\t' + norm(v).encode('utf-8').hex() for v in values))
)PY";

inline PeerTable ParsePeerOutput(const CommandResult& r) {
  PeerTable t;
  if (r.exitCode != 0) {
    t.error = r.output;
    return t;
  }
  auto unhex = [](const std::string& h) {
    std::string out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2) out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return out;
  };
  std::size_t start = 0;
  while (start < r.output.size()) {
    std::size_t end = r.output.find('\n', start);
    if (end == std::string::npos) end = r.output.size();
    std::string line = r.output.substr(start, end - start);
    start = end + 1;
    std::vector<std::string> parts;
    std::size_t p = 0;
    while (true) {
      std::size_t tab = line.find('\t', p);
      parts.push_back(line.substr(p, tab == std::string::npos ? std::string::npos : tab - p));
      if (tab == std::string::npos) break;
      p = tab + 1;
    }
    if (parts[0] == "F" && parts.size() == 5) {
      t.fields.push_back({parts[1], parts[2].empty() ? '\0' : parts[2][0], std::stoi(parts[3]), std::stoi(parts[4])});
    } else if (parts[0] == "R" && parts.size() >= 2) {
      PeerRecord rec;
      rec.deleted = parts[1] == "1";
      for (std::size_t i = 2; i < parts.size(); ++i) rec.values.push_back(unhex(parts[i]));
      t.records.push_back(std::move(rec));
    }
  }
  t.ok = true;
  return t;
}

// The table as python3-dbfread reads it: live records in file order, then
// the deleted ones.
inline PeerTable ReadWithDbfread(const TempDir& dir, const std::string& path, const std::string& encoding = "cp866") {
  std::string script = std::string(kPythonNormalise) + R"PY(
import dbfread
t = dbfread.DBF(sys.argv[1], encoding=sys.argv[2], char_decode_errors='strict')
for f in t.fields: print('F\t%s\t%s\t%d\t%d' % (f.name, f.type, f.length, f.decimal_count))
for r in t.records: emit(False, list(r.values()))
for r in t.deleted: emit(True, list(r.values()))
)PY";
  return ParsePeerOutput(RunPython(dir, script, {path, encoding}));
}

// The table as python3-dbf reads it, records in file order.
inline PeerTable ReadWithPythonDbf(const TempDir& dir, const std::string& path, const std::string& encoding = "cp866") {
  std::string script = std::string(kPythonNormalise) + R"PY(
import dbf
t = dbf.Table(sys.argv[1], codepage=sys.argv[2])
t.open(dbf.READ_ONLY)
for name in t.field_names:
    info = t.field_info(name)
    print('F\t%s\t%s\t%d\t%d' % (name.upper(), chr(info.field_type), info.length, info.decimal))
for r in t:
    emit(dbf.is_deleted(r), [r[i] for i in range(len(t.field_names))])
t.close()
)PY";
  return ParsePeerOutput(RunPython(dir, script, {path, encoding}));
}

// The table as Perl's XBase reads it, records in file order. Texts are the
// stored bytes (XBase does not decode them), so "S:" values are code page
// 866 here; numbers "N:", dates "D:" yyyymmdd as stored, logicals "L:".
inline PeerTable ReadWithPerlXBase(const TempDir& dir, const std::string& path) {
  std::string file = dir.File("peer.pl");
  WriteFile(file, R"PL(
use strict; use XBase;
my $t = XBase->new(name => $ARGV[0]) or die XBase->errstr;
my @names = $t->field_names; my @types = $t->field_types;
my @lengths = $t->field_lengths; my @decimals = $t->field_decimals;
for my $i (0 .. $#names) { print "F\t$names[$i]\t$types[$i]\t$lengths[$i]\t", ($decimals[$i] // 0), "\n"; }
sub hx { return unpack('H*', $_[0]); }
for my $n (0 .. $t->last_record) {
  my ($deleted, @values) = $t->get_record($n);
  my @out;
  for my $i (0 .. $#values) {
    my $v = $values[$i]; my $type = $types[$i];
    if (!defined $v) { push @out, hx('null'); }
    elsif ($type eq 'N' || $type eq 'F' || $type eq 'I') { push @out, hx('N:' . (0 + $v)); }
    elsif ($type eq 'L') { push @out, hx('L:' . ($v ? 'T' : 'F')); }
    elsif ($type eq 'D') { push @out, hx('D:' . $v); }
    else { $v =~ s/ +$//; push @out, hx('S:' . $v); }
  }
  print "R\t", ($deleted ? 1 : 0), join('', map { "\t$_" } @out), "\n";
}
)PL");
  std::string command = "/usr/bin/perl ";
  command += ShellQuote(file);
  command += ' ';
  command += ShellQuote(path);
  return ParsePeerOutput(RunCommand(command));
}

}  // namespace talvern::testing
