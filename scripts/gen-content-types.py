#!/usr/bin/env python3
"""Regenerates src/core/service/content_type_table.inc, the extension -> content type table.

The table holds exactly the extensions listed in scripts/content-type-extensions.txt. A fixed set
of rows (FIXED below) keeps the values the client has always sent; every other extension takes
its media type from standard registries, in this order:

  1. mime-db (npm package, pinned below), resolving an extension claimed by several types the
     way the mime-types package does (nginx < apache < unmarked < IANA source; a tie keeps a
     non-"application/" type);
  2. Debian's /etc/mime.types (package media-types);
  3. freedesktop.org shared-mime-info (package shared-mime-info), case-insensitive globs;
  4. otherwise "application/octet-stream".

Usage: python3 scripts/gen-content-types.py [--mime-db path/to/db.json] [--out FILE]
Without --mime-db the pinned mime-db package is fetched with `npm pack` into a temporary folder.
"""
import argparse
import json
import os
import subprocess
import sys
import tarfile
import tempfile
import xml.etree.ElementTree as ET

MIME_DB_VERSION = "1.54.0"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT = "application/octet-stream"

FIXED_GROUPS = [
    (".txt .text .conf .def .in .ini .list .log .md .markdown .cs .php .rb .asp .aspx .asa .ascx .ashx .asmx .axd",
     "text/plain"),
    (".bin .so .asax .bpk .crx .deploy .dist .distz .dms .dump .elc .hta .ipa .lrf .mar .phar .pkg .safariextz",
     "application/octet-stream"),
    (".exe .dll .msi .com .bat", "application/x-msdownload"),
    (".c .cc .cpp .cxx .h .hh .dic", "text/x-c"),
    (".htm .html", "text/html"),
    (".js", "text/javascript"),
    (".json", "application/json"),
    (".xml", "application/xml"),
    (".css", "text/css"),
    (".jpg .jpeg .jpe", "image/jpeg"),
    (".png", "image/png"),
    (".gif", "image/gif"),
    (".svg", "image/svg+xml"),
    (".ico", "image/x-icon"),
    (".pdf", "application/pdf"),
    (".doc", "application/msword"),
    (".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
    (".xls", "application/vnd.ms-excel"),
    (".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"),
    (".ppt", "application/vnd.ms-powerpoint"),
    (".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"),
    (".zip", "application/zip"),
    (".rar", "application/x-rar-compressed"),
    (".7z", "application/x-7z-compressed"),
    (".gz", "application/x-gzip"),
    (".mp3", "audio/mpeg"),
    (".mp4", "video/mp4"),
    (".avi", "video/x-msvideo"),
    (".flv", "video/x-flv"),
    (".apk", "application/vnd.android.package-archive"),
    (".iso", "application/x-iso9660-image"),
    (".torrent", "application/x-bittorrent"),
    (".m3u8", "application/vnd.apple.mpegurl"),
    (".woff", "application/x-font-woff"),
    (".ttf", "application/x-font-ttf"),
    (".123", "application/vnd.lotus-1-2-3"),
    (".yaml .yml", "text/yaml"),
    (".z1 .z2 .z3 .z4 .z5 .z6 .z7 .z8", "application/x-zmachine"),
]
FIXED = {ext: t for exts, t in FIXED_GROUPS for ext in exts.split()}


def fetch_mime_db(folder):
    subprocess.run(["npm", "pack", "--silent", f"mime-db@{MIME_DB_VERSION}"], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)
    with tarfile.open(os.path.join(folder, f"mime-db-{MIME_DB_VERSION}.tgz")) as tar:
        return json.load(tar.extractfile("package/db.json"))


def from_mime_db(db):
    preference = ["nginx", "apache", None, "iana"]
    types = {}
    for media_type, entry in db.items():
        for ext in entry.get("extensions", []):
            old = types.get(ext)
            if old is not None and old != DEFAULT:
                was = preference.index(db[old].get("source"))
                now = preference.index(entry.get("source"))
                if was > now or (was == now and old.startswith("application/")):
                    continue
            types[ext] = media_type
    return {"." + ext: t for ext, t in types.items()}


def from_mime_types(path):
    types = {}
    if not os.path.exists(path):
        return types
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split("#", 1)[0].split()
            for ext in parts[1:]:
                types.setdefault("." + ext.lower(), parts[0])
    return types


def from_shared_mime_info(path):
    types = {}
    if not os.path.exists(path):
        return types
    ns = {"m": "http://www.freedesktop.org/standards/shared-mime-info"}
    for mt in ET.parse(path).getroot().findall("m:mime-type", ns):
        for glob in mt.findall("m:glob", ns):
            pattern = glob.get("pattern", "")
            if pattern.startswith("*.") and glob.get("case-sensitive") != "true":
                types.setdefault(pattern[1:].lower(), mt.get("type"))
    return types


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--mime-db", help="path to mime-db's db.json")
    parser.add_argument("--out", default=os.path.join(ROOT, "src/core/service/content_type_table.inc"))
    args = parser.parse_args()

    with open(os.path.join(ROOT, "scripts/content-type-extensions.txt"), encoding="ascii") as f:
        extensions = [line.strip() for line in f if line.strip()]
    if len(set(extensions)) != len(extensions):
        sys.exit("duplicate extension in the list")
    missing_fixed = sorted(set(FIXED) - set(extensions))
    if missing_fixed:
        sys.exit(f"fixed rows not in the extension list: {missing_fixed}")

    if args.mime_db:
        with open(args.mime_db, encoding="utf-8") as f:
            db = json.load(f)
    else:
        with tempfile.TemporaryDirectory() as folder:
            db = fetch_mime_db(folder)
    sources = [
        ("mime-db", from_mime_db(db)),
        ("/etc/mime.types", from_mime_types("/etc/mime.types")),
        ("shared-mime-info", from_shared_mime_info("/usr/share/mime/packages/freedesktop.org.xml")),
    ]

    rows, counts = {}, {"fixed": 0, "default": 0}
    for ext in extensions:
        if ext in FIXED:
            rows[ext] = FIXED[ext]
            counts["fixed"] += 1
            continue
        for name, table in sources:
            if ext in table:
                rows[ext] = table[ext]
                counts[name] = counts.get(name, 0) + 1
                break
        else:
            rows[ext] = DEFAULT
            counts["default"] += 1

    # Byte order, so that the lookup can search the table by halves.
    ordered = sorted(rows.items(), key=lambda kv: kv[0].encode("ascii"))
    with open(args.out, "w", encoding="ascii", newline="\n") as out:
        out.write("// Generated by scripts/gen-content-types.py; edit the script, not this file.\n")
        out.write(f"// {len(ordered)} extensions, {len(set(rows.values()))} content types; sources: "
                  f"mime-db {MIME_DB_VERSION}, /etc/mime.types, shared-mime-info.\n")
        out.write("// Rows sorted by extension bytes.\n")
        for ext, media_type in ordered:
            out.write(f'{{"{ext}", "{media_type}"}},\n')
    print(f"{len(ordered)} rows written to {args.out}: " + ", ".join(f"{k} {v}" for k, v in counts.items()),
          file=sys.stderr)


if __name__ == "__main__":
    main()
