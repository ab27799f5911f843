#!/usr/bin/env python3
"""Checks the include graph of the runtime's folders.

Usage: check_layers.py RUNTIME_DIR LAYER [LAYER ...]

Each LAYER is a comma-separated group of folder names, lowest first (for
example "platform" "base" "types" "files,input,net,path" "gfx,sound" "app").
A file may include headers of its own folder and of folders in lower
groups only. Independently of that order, the folders must not include
each other in a cycle. Prints every offending include and exits with 1.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"')


def folder_graph(root):
    graph = {}  # folder -> {included folder: [(file, line number)]}
    for folder in sorted(os.listdir(root)):
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        edges = graph.setdefault(folder, {})
        for name in sorted(os.listdir(path)):
            if not name.endswith((".cpp", ".hpp", ".h")):
                continue
            with open(os.path.join(path, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if m and m.group(1) != folder and os.path.isdir(os.path.join(root, m.group(1))):
                        edges.setdefault(m.group(1), []).append((f"{folder}/{name}", number))
    return graph


def find_cycle(graph):
    state = {}  # folder -> 1 visiting, 2 done
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, {})):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if state.get(nxt) is None:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if state.get(node) is None:
            found = visit(node)
            if found:
                return found
    return None


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = argv[1]
    rank = {}
    for level, group in enumerate(argv[2:]):
        for folder in group.split(","):
            rank[folder] = level
    graph = folder_graph(root)
    problems = []
    for folder in sorted(graph):
        if folder not in rank:
            problems.append(f"{folder}/: not in the layer order")
            continue
        for target, places in sorted(graph[folder].items()):
            if rank.get(target, -1) >= rank[folder] or target not in rank:
                for where, number in places:
                    problems.append(f"{where}:{number}: includes {target}/, which is not below {folder}/")
    cycle = find_cycle(graph)
    if cycle:
        problems.append("folder cycle: " + " -> ".join(cycle))
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"layers: {len(graph)} folders, no include against the order, no cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
