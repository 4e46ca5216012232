#!/usr/bin/env python3
"""Reads, sets or removes one text value of the program's settings file (registry export form).

    settings_value.py FILE NAME            prints the value ("" when missing)
    settings_value.py FILE NAME VALUE      sets it (creating the file when needed)
    settings_value.py FILE NAME --remove   removes it
Other lines are kept as they are. The file is replaced atomically.
"""
import os
import re
import sys
import tempfile

HEADER = "Windows Registry Editor Version 5.00"
KEY = "[HKEY_CURRENT_USER\\Software\\ZymClient]"


def read_lines(path):
    try:
        with open(path, encoding="utf-8-sig") as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return [HEADER, "", KEY]


def value_pattern(name):
    return re.compile(r'^"%s"=' % re.escape(name), re.IGNORECASE)


def main():
    path, name = sys.argv[1], sys.argv[2]
    lines = read_lines(path)
    pattern = value_pattern(name)
    if len(sys.argv) == 3:
        for line in lines:
            if pattern.match(line):
                m = re.match(r'^"[^"]*"="(.*)"$', line)
                print(m.group(1).replace('\\"', '"').replace("\\\\", "\\") if m else "")
        return
    lines = [l for l in lines if not pattern.match(l)]
    if sys.argv[3] != "--remove":
        text = sys.argv[3].replace("\\", "\\\\").replace('"', '\\"')
        if KEY not in lines:
            lines.append(KEY)
        lines.insert(lines.index(KEY) + 1, '"%s"="%s"' % (name, text))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path))
    with os.fdopen(fd, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, path)


if __name__ == "__main__":
    main()
