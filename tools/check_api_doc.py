#!/usr/bin/env python3
"""Checks that docs/api.md documents every command of the public header.

Usage: check_api_doc.py HEADER API_MD

The commands are the names that `public_api.py names HEADER` prints (an
overloaded command is one name).

What counts as an entry of api.md
  - a table row whose first cell starts with a code span, or
  - a heading (any level) that contains a code span;
  the first code span of the cell or heading names the entry when it is
  either a declaration (`int32_t key_down(int32_t code)`: the name is the
  identifier right before the first "(") or a bare identifier
  (`key_down`). Any other code span (`--headless`, `0x00BBGGRR`,
  `"ZRV_ON_QUIT"`, `key::Space`, `ctx.frame_rate`) names no entry.
  Lines inside fenced code blocks are not read.

The check fails
  - for every command of the header without an entry (missing), and
  - for every entry that names no command of the header (stale),
except that entries inside the level-2 section whose title starts with
"Value types" are not checked for staleness: that section documents
RtString, RtArray (array_dim, array_push, ...), RtContext, the key codes
and DataList, which the header includes but does not declare as commands.

Prints the missing and the stale names and exits with 1; prints a one-line
summary and exits with 0 when the reference is complete.
"""
import os
import re
import subprocess
import sys

CODE_SPAN = re.compile(r"`([^`]+)`")
IDENTIFIER = re.compile(r"[A-Za-z_]\w*")
DECLARATION_NAME = re.compile(r"([A-Za-z_]\w*)\s*$")


def header_commands(header):
    tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "public_api.py")
    out = subprocess.run([sys.executable, tool, "names", header], check=True,
                         capture_output=True, text=True).stdout
    return [line.strip() for line in out.splitlines() if line.strip()]


def entry_name(span):
    """The command a code span names, or None."""
    span = span.strip()
    if "(" in span:
        m = DECLARATION_NAME.search(span[:span.index("(")])
        return m.group(1) if m else None
    return span if IDENTIFIER.fullmatch(span) else None


def entries(path):
    """(name, line number, exempt) for every entry of the file."""
    found = []
    fenced = False
    exempt = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            stripped = line.strip()
            if stripped.startswith("```"):
                fenced = not fenced
                continue
            if fenced:
                continue
            if re.match(r"##\s", stripped):
                exempt = stripped[2:].strip().startswith("Value types")
            span = None
            if stripped.startswith("#"):
                m = CODE_SPAN.search(stripped)
                span = m.group(1) if m else None
            elif stripped.startswith("|"):
                first_cell = stripped[1:].lstrip()
                if first_cell.startswith("`"):
                    m = CODE_SPAN.match(first_cell)
                    span = m.group(1) if m else None
            if span is None:
                continue
            name = entry_name(span)
            if name is not None:
                found.append((name, number, exempt))
    return found


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    header, doc = argv[1], argv[2]
    commands = header_commands(header)
    known = set(commands)
    documented = {name for name, _, _ in entries(doc)}
    missing = [name for name in commands if name not in documented]
    stale = [(name, number) for name, number, exempt in entries(doc)
             if not exempt and name not in known]
    for name in missing:
        print(f"{doc}: no entry for the command {name}")
    for name, number in stale:
        print(f"{doc}:{number}: the entry {name} names no command of {header}")
    if missing or stale:
        print(f"{len(missing)} missing, {len(stale)} stale")
        return 1
    print(f"{len(commands)} commands, each with an entry")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
