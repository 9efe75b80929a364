#!/usr/bin/env python3
"""The include rules of the source tree, checked on the files themselves.

- Each layer includes only itself and the layers below it:
  core < format < ui < installer, and the builder sits on format and core alone.
- <windows.h> enters through core/win32.h, and only *_win32.cpp files include it.
- No include cycles between units (a unit is a header with its sources of the same
  name, e.g. installer/startup.h, startup.cpp and startup_win32.cpp).

Prints every broken rule and exits 1 when there is one.
"""
import os
import re
import sys

ALLOWED = {
    "core": {"core"},
    "format": {"format", "core"},
    "ui": {"ui", "core"},
    "installer": {"installer", "ui", "format", "core"},
    "builder": {"builder", "format", "core"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def unit_of(path):
    """installer/startup_win32.cpp -> installer/startup"""
    folder, name = os.path.split(path)
    stem = os.path.splitext(name)[0]
    if stem.endswith("_win32"):
        stem = stem[: -len("_win32")]
    return folder + "/" + stem


def main(root):
    problems = []
    edges = {}
    for layer in ALLOWED:
        for dirpath, _, files in os.walk(os.path.join(root, layer)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root)
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    text = f.read()
                unit = unit_of(path)
                for kind, target in INCLUDE.findall(text):
                    if kind == "<":
                        if target.lower() == "windows.h" and path != "core/win32.h":
                            problems.append(f"{path}: <windows.h> only through core/win32.h")
                        continue
                    top = target.split("/")[0]
                    if top in ALLOWED and top not in ALLOWED[layer]:
                        problems.append(f"{path}: includes {target}, above its layer ({layer})")
                    win32_file = name.endswith("_win32.cpp") or name.endswith("_win32.h")
                    if (target == "core/win32.h" or target.endswith("_win32.h")) and not win32_file:
                        problems.append(f"{path}: {target} is for Win32 files only")
                    target_unit = unit_of(target)
                    if target_unit != unit:
                        edges.setdefault(unit, set()).add(target_unit)

    # Cycles between units, by depth-first search.
    state = {}
    stack = []

    def visit(unit):
        state[unit] = "open"
        stack.append(unit)
        for nxt in sorted(edges.get(unit, ())):
            if state.get(nxt) == "open":
                cycle = stack[stack.index(nxt):] + [nxt]
                problems.append("include cycle: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[unit] = "done"

    for unit in sorted(edges):
        if unit not in state:
            visit(unit)

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
