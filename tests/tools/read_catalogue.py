"""Reads a built catalogue with the independent DBF readers, for the tools tests.

    python3 read_catalogue.py DB_DIR DATA_DIR

Prints one line per fact, tab-separated:
    count <table> <reader> <records>      for dbfread and python-dbf
    row <table> <field>=<value>...        every record of every table, as dbfread decodes it
    memo <code> <ok|empty|differs>        each drawing memo against data/drawings/<FN>.gif
"""
import os
import sys

import dbf
import dbfread

TABLES = ["groups.dbf", "vids.dbf", "fields.dbf", "main.dbf", "PICS.DBF", "packages.dbf"]


def text(value):
    if isinstance(value, bool):
        return "T" if value else "F"
    if value is None:
        return ""
    return str(value)


def main():
    db, data = sys.argv[1], sys.argv[2]
    out = []
    for name in TABLES:
        path = os.path.join(db, name)
        table = dbfread.DBF(path, raw=False, char_decode_errors="strict")
        records = list(table)
        out.append("count\t%s\tdbfread\t%d" % (name, len(records)))
        with dbf.Table(path) as t:
            out.append("count\t%s\tdbf\t%d" % (name, len(t)))
        for r in records:
            if name == "PICS.DBF":
                continue
            out.append("row\t%s\t" % name + "\t".join("%s=%s" % (k, text(v)) for k, v in r.items()))
    for r in dbfread.DBF(os.path.join(db, "PICS.DBF")):
        code, name = r["PIC"], r["FN"]
        # dbfread hands a FoxPro text memo over decoded; code page 866 maps
        # every byte to one character, so encoding gives the stored bytes back.
        memo = r["PICTURE"] or b""
        if isinstance(memo, str):
            memo = memo.encode("cp866")
        if name == "NUL":
            out.append("memo\t%s\t%s" % (code, "empty" if not memo else "differs"))
            continue
        with open(os.path.join(data, "drawings", name + ".gif"), "rb") as f:
            out.append("memo\t%s\t%s" % (code, "ok" if f.read() == memo else "differs"))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
