"""SQLite beside the device search, on the same rows.

The search benchmark writes the devices of its catalogue (main.dbf) as CSV in the
column order of ../shared/bench/sqlite_anchor.py; this script loads them once into
a SQLite file (the anchor's schema, and an index on type as the catalogue's TYPE
tag), then times the search fragment as the anchor does, LIKE '%TEXT%', and the
search list's first screen and whole list in type order.

Usage: search_sqlite.py --shared SHARED_BENCH_DIR --csv FILE --db FILE --text TEXT
                        [--screen ROWS] [--reps 7]
Prints one line per query: label <TAB> median ms <TAB> min ms <TAB> max ms <TAB> rows.
"""
import argparse
import os
import sys

ap = argparse.ArgumentParser()
ap.add_argument("--shared", required=True)
ap.add_argument("--csv", required=True)
ap.add_argument("--db", required=True)
ap.add_argument("--text", required=True)
ap.add_argument("--screen", type=int, default=40)
ap.add_argument("--reps", type=int, default=7)
args = ap.parse_args()
sys.path.insert(0, args.shared)
from benchlib import measure, summary  # noqa: E402
from sqlite_anchor import SCHEMA, connect, read_rows, rm_db  # noqa: E402

if not os.path.exists(args.db):
    rows = read_rows(args.csv)
    tmp = args.db + ".tmp"
    rm_db(tmp)
    c = connect(tmp, [])
    c.execute(SCHEMA)
    c.execute("BEGIN")
    c.executemany("INSERT INTO main VALUES (?,?,?,?,?,?)", rows)
    c.execute("COMMIT")
    c.execute("CREATE INDEX idx_type ON main(type)")
    c.close()
    os.rename(tmp, args.db)

conn = connect(args.db, [])
like = "%" + args.text + "%"
queries = [
    ("type LIKE '%%%s%%' (the anchor's query)" % args.text, "SELECT rowid FROM main WHERE type LIKE ?", (like,)),
    ("first screen: LIKE, ORDER BY type LIMIT %d" % args.screen,
     "SELECT rowid, type, vid FROM main WHERE type LIKE ? ORDER BY type LIMIT ?", (like, args.screen)),
    ("whole list: LIKE, ORDER BY type", "SELECT rowid, type, vid FROM main WHERE type LIKE ? ORDER BY type", (like,)),
]
for label, sql, params in queries:
    ts, out = measure(lambda: conn.execute(sql, params).fetchall(), reps=args.reps, warmup=1)
    s = summary(ts)
    print("%s\t%.1f\t%.1f\t%.1f\t%d" % (label, s["median_s"] * 1e3, s["min_s"] * 1e3, s["max_s"] * 1e3, len(out)))
