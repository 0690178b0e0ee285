#!/usr/bin/env bash
# Reproduces at scale what the fault tests check in seconds: what the tables
# and their .cdx files survive.
#   scripts/faults.sh kill  [RECORDS] [TRIALS]  dbftool reindex of a large table
#                                               killed with SIGKILL at random moments
#   scripts/faults.sh full  [RECORDS]           reindex and index --add on a full disk
#                                               (writes fail with ENOSPC from the n-th on)
#   scripts/faults.sh writers [SCALE]           a tag added while another process
#                                               appends 300 x SCALE records; kills
#                                               during appends; appends on a full disk
#   scripts/faults.sh all                       all three
# Each scenario ends with `dbftool check` and says what it found; the exit
# code is non-zero when a file was not left whole.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
tool=$build/tools/dbftool
[ -x "$tool" ] || scripts/build.sh >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A dBASE III table of NAME C(10), NUM N(8) with n records, written directly.
make_table() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import struct, sys, datetime
path, n = sys.argv[1], int(sys.argv[2])
fields = [(b"NAME", b"C", 10), (b"NUM", b"N", 8)]
reclen = 1 + sum(f[2] for f in fields)
hlen = 32 + 32 * len(fields) + 1
d = datetime.date.today()
head = struct.pack("<BBBBIHH20x", 3, d.year % 100, d.month, d.day, n, hlen, reclen)
desc = b"".join(name.ljust(11, b"\0") + t + b"\0" * 4 + bytes([l, 0]) + b"\0" * 14 for name, t, l in fields)
with open(path, "wb") as out:
    out.write(head + desc + b"\r")
    for i in range(n):
        out.write(b" " + ("K%07d" % ((i * 7919) % n)).ljust(10).encode() + str(i % 5000).rjust(8).encode())
    out.write(b"\x1a")
PY
}

tags_of() { "$tool" index "$1" "$2" | cut -f1 | tr '\n' ' '; }

scenario_kill() {
  local records=${1:-300000} trials=${2:-15}
  echo "== kill: reindex of $records records killed at random moments, $trials trials"
  make_table "$work/t.dbf" "$records"
  "$tool" index "$work/t.dbf" "$work/t.cdx" --add NAME NAME
  "$tool" index "$work/t.dbf" "$work/t.cdx" --add NUM 'STR(NUM,8)'
  cp "$work/t.cdx" "$work/pristine.cdx"
  local want; want=$(tags_of "$work/t.dbf" "$work/t.cdx")
  for ((i = 1; i <= trials; i++)); do
    cp "$work/pristine.cdx" "$work/t.cdx"
    "$tool" reindex "$work/t.dbf" "$work/t.cdx" &
    local pid=$!
    sleep "0.$((RANDOM % 9 + 1))"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    local got; got=$(tags_of "$work/t.dbf" "$work/t.cdx")
    if [ "$got" != "$want" ] || ! "$tool" check "$work/t.dbf" "$work/t.cdx" >/dev/null; then
      echo "trial $i: tags \"$got\", check:"; "$tool" check "$work/t.dbf" "$work/t.cdx" || true
      failures=$((failures + 1))
    fi
    rm -f "$work/t.cdx.tmp"
  done
  echo "kill: $trials trials done"
}

scenario_full() {
  local records=${1:-100000}
  echo "== full: reindex and index --add with writes failing (ENOSPC) from the n-th on"
  make_table "$work/f.dbf" "$records"
  "$tool" index "$work/f.dbf" "$work/f.cdx" --add NAME NAME
  "$tool" index "$work/f.dbf" "$work/f.cdx" --add NUM 'STR(NUM,8)'
  cp "$work/f.cdx" "$work/before.cdx"
  for n in 1 2 10 100 1000; do
    if TALVERN_FAULT="write:$n:enospc::persist:growing" "$tool" reindex "$work/f.dbf" "$work/f.cdx" 2>"$work/err"; then
      echo "reindex with write $n failing succeeded"; failures=$((failures + 1))
    fi
    if ! cmp -s "$work/f.cdx" "$work/before.cdx" || [ -e "$work/f.cdx.tmp" ]; then
      echo "reindex, write $n failing ($(cat "$work/err")): the index file changed"; failures=$((failures + 1))
    fi
    if TALVERN_FAULT="write:$n:enospc::persist:growing" "$tool" index "$work/f.dbf" "$work/f.cdx" --add BIG NAME 2>/dev/null; then
      echo "index --add with write $n failing succeeded"; failures=$((failures + 1))
    fi
    if [ "$(tags_of "$work/f.dbf" "$work/f.cdx")" != "NAME NUM " ] || ! "$tool" check "$work/f.dbf" "$work/f.cdx" >/dev/null; then
      echo "index --add, write $n failing: the tags are not what they were"; failures=$((failures + 1))
    fi
  done
  echo "full: done"
}

scenario_writers() {
  local scale=${1:-70}
  echo "== writers: tag added while another process appends; kills and a full disk during appends"
  TALVERN_SCALE=$scale "$build/tests/index_tests" --gtest_filter='SurvivalTest.*' --gtest_brief=1 ||
    failures=$((failures + 1))
}

case "${1:-all}" in
  kill) scenario_kill "${2:-}" "${3:-}" ;;
  full) scenario_full "${2:-}" ;;
  writers) scenario_writers "${2:-}" ;;
  all) scenario_kill; scenario_full; scenario_writers ;;
  *) echo "usage: scripts/faults.sh [kill|full|writers|all] ..." >&2; exit 2 ;;
esac
echo "failures: $failures"
[ "$failures" -eq 0 ]
