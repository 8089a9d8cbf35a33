#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Fails when a core library's code reaches a window library's header or a Qt GUI header.

Every library exports src/ as its include root, so the compiler would accept a core file that
includes from a window folder: linking alone cannot see it. This walks the quoted includes from
each core library's own sources, as the preprocessor would, and reports the chain that leads to
a header of a window library (one its sources list, one beside a .cpp it builds, or any header in
a folder that only window libraries build from) or to a QtGui / QtWidgets header.

Arguments: the library list written at configure time (one line each:
"name;core|window;source dir;source;source..."), the src/ folder, and the Qt include folders
whose headers a core file must not name (QtGui, QtWidgets).
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def main(listing, src_root, *forbidden_qt_dirs):
    libraries = []
    with open(listing, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split(";")
            if len(parts) < 3:
                continue
            name, kind, folder, sources = parts[0], parts[1], parts[2], parts[3:]
            files = {os.path.normpath(os.path.join(folder, s)) for s in sources if s}
            libraries.append((name, kind, os.path.normpath(folder), files))

    window_files = set()
    folder_kinds = {}
    for name, kind, folder, files in libraries:
        folder_kinds.setdefault(folder, set()).add(kind)
        if kind == "window":
            for f in files:
                window_files.add(f)
                window_files.add(os.path.splitext(f)[0] + ".h")
    window_folders = {d for d, kinds in folder_kinds.items() if kinds == {"window"}}

    def is_window_header(path):
        return path in window_files or os.path.dirname(path) in window_folders

    def is_gui_header(name):
        return any(os.path.exists(os.path.join(d, name)) for d in forbidden_qt_dirs)

    def resolve(name, including):
        for base in (os.path.dirname(including), src_root):
            candidate = os.path.normpath(os.path.join(base, name))
            if os.path.isfile(candidate):
                return candidate
        return None

    violations = []
    for name, kind, folder, files in libraries:
        if kind != "core":
            continue
        chain_of = {f: [f] for f in files if os.path.isfile(f)}
        queue = list(chain_of)
        while queue:
            current = queue.pop()
            with open(current, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for bracket, included in INCLUDE.findall(text):
                chain = chain_of[current]
                if bracket == "<":
                    if is_gui_header(included):
                        violations.append((name, chain + ["<" + included + ">"]))
                    continue
                target = resolve(included, current)
                if target is None or target in chain_of:
                    continue
                chain_of[target] = chain + [target]
                if is_window_header(target):
                    violations.append((name, chain_of[target]))
                    continue
                queue.append(target)

    def short(path):
        return os.path.relpath(path, src_root) if not path.startswith("<") else path

    for name, chain in violations:
        print(f"{name}: " + " > ".join(short(p) for p in chain))
    if violations:
        print("Core code must not include window headers or QtGui / QtWidgets.")
        return 1
    print("No core library includes a window header or a QtGui / QtWidgets header.")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
