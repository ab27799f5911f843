#!/usr/bin/env python3
"""Writes the first game of README.md into a folder, exactly as printed.

Usage: readme_snippets.py README.md OUT_DIR

The section "## Your first game" holds one ```cpp block (main.cpp) and one
```cmake block (CMakeLists.txt); both are written unchanged.
"""
import os
import re
import sys


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    text = open(argv[1], encoding="utf-8").read()
    start = text.find("## Your first game")
    if start < 0:
        print("README.md has no section '## Your first game'", file=sys.stderr)
        return 1
    end = text.find("\n## ", start + 1)
    section = text[start:end if end > 0 else len(text)]
    blocks = dict(re.findall(r"```(cpp|cmake)\n(.*?)```", section, re.S))
    for kind, name in (("cpp", "main.cpp"), ("cmake", "CMakeLists.txt")):
        if kind not in blocks:
            print(f"README.md's first game has no {kind} block", file=sys.stderr)
            return 1
        os.makedirs(argv[2], exist_ok=True)
        with open(os.path.join(argv[2], name), "w", encoding="utf-8") as f:
            f.write(blocks[kind])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
