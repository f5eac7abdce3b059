#!/usr/bin/env python3
"""Writes a small model library from scratch with plain SQL, following
docs/file-format.md and nothing else, and reads one back the same way.

  write_library.py write DOC FILE   build FILE; print the tree it wrote
  write_library.py read FILE        print the tree FILE holds

The tree is printed one record a line, by record ID:
  ID|PARENT|FIRSTCHILD|PREV|NEXT|TYPE|title in 1033|title in 1031
with 0 for a link that is NULL and "-" for a missing title.

The table layouts are taken from the document's table section: each
"#### `NAME`" heading, its column table (name, declared type) and its index
table (name, SQLite index name, columns, unique).
"""
import re
import sqlite3
import sys

LANGUAGES = (1033, 1031)

# (key, parent key, folder?, English title, German title)
TREE = [
    ("root", None, True, "Model library", "Modellbibliothek"),
    ("diodes", "root", True, "Diodes", "Dioden"),
    ("1N4148", "diodes", False, "Switching diode 1N4148", "Schaltdiode 1N4148"),
    ("1N4007", "diodes", False, "Rectifier 1N4007", "Gleichrichter 1N4007"),
    ("bjt", "root", True, "Transistors", "Transistoren"),
    ("BC547", "bjt", False, "NPN transistor BC547", "NPN-Transistor BC547"),
    ("empty", "root", True, "Empty folder", None),
]


def parse_layouts(doc_path):
    """{table name or pattern: (columns [(name, declared)], indexes)}"""
    text = open(doc_path, encoding="utf-8").read()
    begin = text.index("<!-- tables: generated")
    end = text.index("<!-- tables: end -->")
    layouts = {}
    current = None
    for line in text[begin:end].splitlines():
        heading = re.match(r"^#### `([^`]+)`$", line)
        if heading:
            current = heading.group(1)
            layouts[current] = ([], [])
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if current is None or len(cells) < 4 or not cells[1].startswith("`"):
            continue
        if cells[0].isdigit():  # | # | `COLUMN` | `DECLARED` | ...
            layouts[current][0].append((cells[1].strip("`"), cells[2].strip("`")))
        elif cells[0].startswith("`"):  # | `INDEX` | `SQL NAME` | `A`, `B` | yes |
            columns = [c.strip().strip("`") for c in cells[2].split(",")]
            layouts[current][1].append((cells[0].strip("`"), columns, cells[3] == "yes"))
    return layouts


def q(name):
    return '"' + name.replace('"', '""') + '"'


def create_table(db, name, layout):
    columns, indexes = layout
    db.execute("CREATE TABLE %s (%s)" % (q(name), ", ".join(
        "%s %s" % (q(c), declared) for c, declared in columns)))
    for index, fields, unique in indexes:
        db.execute("CREATE %sINDEX %s ON %s (%s)" % (
            "UNIQUE " if unique else "", q(name + "." + index), q(name),
            ", ".join(q(f) for f in fields)))


def bookkeeping_statements(doc_path):
    text = open(doc_path, encoding="utf-8").read()
    block = re.search(r"```sql\n(.*?)```", text, re.S).group(1)
    return block


def write(doc_path, path):
    layouts = parse_layouts(doc_path)
    db = sqlite3.connect(path)
    db.executescript(bookkeeping_statements(doc_path))
    fixed = [name for name in layouts if "%" not in name]
    for name in fixed:
        create_table(db, name, layouts[name])
    db.execute('INSERT INTO DBINFO(VERSION) VALUES (?)', ((5 << 16) | 22,))
    # Five tables per language, registered in RESINFO in this order of kinds.
    for lang in LANGUAGES:
        for pattern, kind in (("STRINGTAB_%08x", 0), ("SYMBOLS_%08x", 3), ("KEYWORD_%08x", 1),
                              ("KEYWORDID_%08x", 2), ("UNIT_%08x", 4)):
            name = pattern % lang
            create_table(db, name, layouts[pattern])
            db.execute("INSERT INTO RESINFO(LANGID, TABNAME, TABTYPE) VALUES (?, ?, ?)",
                       (lang, name, kind))
    # Records: IDs in list order; links from the parent/child structure.
    ids = {key: i + 1 for i, (key, *_rest) in enumerate(TREE)}
    children = {}
    for key, parent, *_rest in TREE:
        children.setdefault(parent, []).append(key)
    next_res_id = 1
    for key, parent, folder, english, german in TREE:
        siblings = children[parent]
        at = siblings.index(key)
        links = (ids[parent] if parent else None,
                 ids[children[key][0]] if key in children else None,
                 ids[siblings[at - 1]] if at > 0 else None,
                 ids[siblings[at + 1]] if at + 1 < len(siblings) else None)
        title = next_res_id
        next_res_id += 1
        db.execute("INSERT INTO RESID(RES_ID) VALUES (?)", (title,))
        for lang, text in zip(LANGUAGES, (english, german)):
            if text is not None:
                db.execute("INSERT INTO %s(RES_ID, TEXT) VALUES (?, ?)" %
                           q("STRINGTAB_%08x" % lang), (title, text))
        db.execute(
            'INSERT INTO MAIN("MODEL_ID", "DEFNAME", "TITLE", "TYPE", "STATE", "PARENT", '
            '"FIRSTCHILD", "PREV", "NEXT", "CREATED_DATE", "AUTHOR") '
            "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, ?, 'script')",
            (ids[key], None if folder else key, title, 1 if folder else 0) + links +
            (46000.5,))
    db.commit()
    db.close()


def read(path):
    db = sqlite3.connect(path)
    tables = {lang: name for lang, name in db.execute(
        "SELECT LANGID, TABNAME FROM RESINFO WHERE TABTYPE = 0")}
    lines = []
    for row in db.execute('SELECT MODEL_ID, PARENT, FIRSTCHILD, PREV, NEXT, TYPE, TITLE '
                          'FROM MAIN ORDER BY MODEL_ID').fetchall():
        titles = []
        for lang in LANGUAGES:
            text = None
            if lang in tables and row[6] is not None:
                found = db.execute("SELECT TEXT FROM %s WHERE RES_ID = ?" % q(tables[lang]),
                                   (row[6],)).fetchone()
                text = found[0] if found else None
            titles.append("-" if text is None else text)
        lines.append("|".join([str(v or 0) for v in row[:6]] + titles))
    db.close()
    return lines


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "write":
        write(sys.argv[2], sys.argv[3])
        print("\n".join(read(sys.argv[3])))
    elif len(sys.argv) == 3 and sys.argv[1] == "read":
        print("\n".join(read(sys.argv[2])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
