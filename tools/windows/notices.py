#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The third-party notices of Quillon.exe: each library linked into it, with the version of the
Debian source package it was built from and the licence texts that source carries.

    tools/windows/notices.py SOURCE... > THIRD-PARTY-NOTICES.txt

Each SOURCE is the unpacked source of a library that tools/windows/deps.sh built, named
<library>-<key>. The C and C++ runtimes come from Debian's mingw-w64 packages installed here.
"""
import glob
import os
import re
import sys

# Debian source package, what it is, and the licence files it carries (globs, first match kept).
LIBRARIES = [
    ("qtbase", "Qt 5.15 (Core, Gui, Widgets), under the LGPL-3.0-only",
     ["LICENSE.LGPL3", "LICENSE.GPL3"]),
    ("curl", "libcurl", ["COPYING"]),
    ("re2", "RE2", ["LICENSE"]),
    ("pcre2", "PCRE2", ["LICENCE"]),
    ("icu", "ICU (the common library and its GB18030 and alias data)", ["LICENSE"]),
    ("zlib", "zlib", ["LICENSE"]),
]
# What qtbase builds into those libraries from its own third-party folder on Windows.
QT_BUNDLED = ["harfbuzz-ng", "libpng", "pcre2", "double-conversion", "md4c", "tinycbor",
              "easing", "freebsd", "pixman", "sha1", "sha3", "md5", "md4", "rfc6234", "icc"]
LICENCE_NAMES = re.compile(r"(LICEN[CS]E|COPYING|FTL|ijg-license|zlib-license)[^/]*$", re.I)
RUNTIMES = [("mingw-w64-common", "the mingw-w64 runtime and winpthreads"),
            ("gcc-mingw-w64-base", "the GCC runtime libraries (libgcc, libstdc++), with the GCC "
                                   "Runtime Library Exception")]
RULE = "=" * 78


def source_version(source):
    with open(os.path.join(source, "debian", "changelog"), encoding="utf-8") as f:
        return re.match(r"\S+ \(([^)]+)\)", f.readline()).group(1)


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().rstrip() + "\n"


def section(title, texts):
    return "\n".join([RULE, title, RULE, ""] + texts) + "\n"


def main():
    sources = {os.path.basename(p.rstrip("/")).rsplit("-", 1)[0]: p for p in sys.argv[1:]}
    out = ["Quillon.exe carries the following libraries, statically linked. Each was built from "
           "Debian's source package of the version named, with the licence texts below. Quillon "
           "itself is under the GPL-3.0-or-later (LICENSE); its sources and the recipe that builds "
           "these libraries (tools/windows/deps.sh) are published with it, so that anyone may "
           "rebuild the program with a changed library, as the LGPL allows.\n"]
    for name, what, files in LIBRARIES:
        source = sources[name]
        texts = [read(os.path.join(source, f)) for f in files]
        package = re.match(r"(\S+)", read(os.path.join(source, "debian", "changelog"))).group(1)
        out.append(section("%s: Debian source package %s %s" % (what, package,
                                                                source_version(source)), texts))
    third = os.path.join(sources["qtbase"], "src", "3rdparty")
    for name in QT_BUNDLED:
        found = sorted(p for p in glob.glob(os.path.join(third, name, "**"), recursive=True)
                       if LICENCE_NAMES.search(p) and os.path.isfile(p))
        attribution = os.path.join(third, name, "qt_attribution.json")
        version = re.search(r'"Version"\s*:\s*"([^"]*)"', read(attribution)) if os.path.exists(
            attribution) else None
        title = "%s, bundled in Qt%s" % (name, " (version %s)" % version.group(1) if version else "")
        # Public-domain code carries no licence file: its attribution says so.
        out.append(section(title, [read(p) for p in found] or [read(attribution)]))
    for package, what in RUNTIMES:
        out.append(section("%s: Debian package %s" % (what, package),
                           [read("/usr/share/doc/%s/copyright" % package)]))
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()
