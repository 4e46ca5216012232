#!/usr/bin/env python3
"""Builds the program and its Debian package, then checks the package with dpkg-deb and
desktop-file-validate: the files it installs, its dependencies and its menu entry.

usage: check_package.py BUILD_DIR SOURCE_DIR"""

import glob
import os
import subprocess
import sys
import tempfile

REQUIRED = [
    "./opt/zymclient/zymclient",
    "./opt/zymclient/Startover",
    "./opt/zymclient/UI/login.html",
    "./opt/zymclient/UI/config.json",
    "./opt/zymclient/language/default-en.xml",
    "./opt/zymclient/language/default-chs.xml",
    "./opt/zymclient/image/border.png",
    "./opt/zymclient/image/zymclient.png",
    "./usr/bin/zymclient",
    "./usr/share/applications/zymclient.desktop",
    "./usr/share/icons/hicolor/256x256/apps/zymclient.png",
]
REQUIRED_DEPENDS = ["libqt6webenginecore6-bin", "libqt6widgets6", "libcurl4", "libsqlite3-0", "libssl3",
                    "libtinyxml2", "libcjson1"]


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def main():
    build, source = sys.argv[1], sys.argv[2]
    failures = []
    subprocess.run(["cmake", "--build", build, "--target", "zymclient", "Startover"], check=True)
    for old in glob.glob(os.path.join(build, "package", "zymclient_*.deb")):
        os.remove(old)
    subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake")], cwd=build,
                   check=True, stdout=subprocess.DEVNULL)
    debs = glob.glob(os.path.join(build, "package", "zymclient_*.deb"))
    if len(debs) != 1:
        print("expected one package, found %r" % debs)
        return 1
    deb = debs[0]

    listing = run("dpkg-deb", "-c", deb)
    names = {line.split()[5] for line in listing.splitlines()}
    for path in REQUIRED:
        if path not in names:
            failures.append("missing from the package: " + path)
    link = [line for line in listing.splitlines() if line.split()[5] == "./usr/bin/zymclient"]
    if link and "-> /opt/zymclient/zymclient" not in link[0]:
        failures.append("/usr/bin/zymclient is not a link to the program: " + link[0])
    if any(n.startswith("./opt/zymclient/CefCache") for n in names):
        failures.append("the browser cache of the build folder was packaged")

    fields = run("dpkg-deb", "-f", deb, "Package", "Version", "Depends", "Architecture")
    depends = run("dpkg-deb", "-f", deb, "Depends")
    for dep in REQUIRED_DEPENDS:
        if dep not in depends:
            failures.append("Depends lacks " + dep + ": " + depends.strip())

    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["dpkg-deb", "-x", deb, tmp], check=True)
        desktop = os.path.join(tmp, "usr/share/applications/zymclient.desktop")
        result = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
        if result.returncode != 0 or result.stdout.strip():
            failures.append("desktop-file-validate: " + result.stdout + result.stderr)
        entry = open(desktop, encoding="utf-8").read().splitlines()
        exec_line = next((l for l in entry if l.startswith("Exec=")), "")
        program = exec_line[len("Exec="):].split()[0] if exec_line else ""
        if not os.access(os.path.join(tmp, program.lstrip("/")), os.X_OK):
            failures.append("the menu entry starts %r, which the package does not hold" % program)
        if "Icon=zymclient" not in entry:
            failures.append("the menu entry does not name the icon zymclient")

    print(fields)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
