#!/usr/bin/env python3
"""Reports the include cycles between the modules of src/.

A module is a header and its source together (data/ledger.h with
data/ledger.cpp); module A uses module B when a file of A includes a header of
B, by "..." or <...>. Prints every elementary cycle among the modules, each
once, and exits 1 when there is one.

Run: scripts/include-cycles.py [src-dir] [folder ...]
With folders (data, dialogs, ...) only modules of those folders are looked at.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def modules(src):
    uses = {}
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(root, name)
            mod = os.path.splitext(os.path.relpath(path, src))[0]
            deps = uses.setdefault(mod, set())
            with open(path, encoding='utf-8', errors='replace') as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if m and os.path.isfile(os.path.join(src, m.group(1))):
                        dep = os.path.splitext(m.group(1))[0]
                        if dep != mod:
                            deps.add(dep)
    return uses


def cycles(uses):
    """Every elementary cycle, each found once from its least module."""
    found = []
    order = sorted(uses)
    for start in order:
        # Paths from start through modules that sort after it, back to start.
        stack = [(start, iter(sorted(uses.get(start, ()))))]
        path = [start]
        on_path = {start}
        while stack:
            node, it = stack[-1]
            nxt = next(it, None)
            if nxt is None:
                stack.pop()
                on_path.discard(path.pop())
                continue
            if nxt == start:
                found.append(path + [start])
            elif nxt > start and nxt not in on_path and nxt in uses:
                path.append(nxt)
                on_path.add(nxt)
                stack.append((nxt, iter(sorted(uses[nxt]))))
    return found


def main():
    args = sys.argv[1:]
    src = args[0] if args else os.path.join(os.path.dirname(__file__), '..', 'src')
    folders = args[1:]
    uses = modules(src)
    if folders:
        keep = {m for m in uses if m.split('/')[0] in folders}
        uses = {m: {d for d in deps if d in keep} for m, deps in uses.items() if m in keep}
    found = cycles(uses)
    for c in found:
        print(' -> '.join(c))
    print(f'{len(found)} module-level include cycle(s) among {len(uses)} modules')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
