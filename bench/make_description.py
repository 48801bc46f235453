#!/usr/bin/python3
"""Prints the description of a generated test database: N tables of C
columns of every stored type, each with a primary key and every fifth with a
foreign key to the table before it, for quillmere-make-testdb."""
import json
import sys

TYPES = [("long", 0), ("text", 50), ("datetime", 0), ("double", 0), ("memo", 0), ("boolean", 0),
         ("currency", 0), ("integer", 0), ("byte", 0), ("single", 0), ("guid", 0), ("ole", 0),
         ("binary", 16), ("decimal", 0), ("text", 255)]


def table(n, columns):
    cols = [{"name": "ID", "type": "long"}]
    for c in range(1, columns):
        kind, size = TYPES[c % len(TYPES)]
        col = {"name": "Field%02d" % c, "type": kind}
        if size:
            col["size"] = size
        cols.append(col)
    keys = [{"name": "PrimaryKey", "kind": "primary", "columns": ["ID"]}]
    if n % 5 == 4:
        keys.append({"name": "Table%05dTable%05d" % (n - 1, n), "kind": "foreign", "columns": ["Field01"],
                     "references": {"table": "Table%05d" % (n - 1), "columns": ["ID"]}})
    return {"name": "Table%05d" % n, "created": "2024-04-01 09:30:00", "modified": "2024-05-02 18:00:05",
            "columns": cols, "keys": keys}


def main():
    tables, columns = int(sys.argv[1]), int(sys.argv[2])
    json.dump({"tables": [table(n, columns) for n in range(tables)], "queries": [], "links": []}, sys.stdout)


if __name__ == "__main__":
    main()
