#!/usr/bin/env python3
"""Writes the table of OpenGL and GLX entry points with the version or
extension that brings each one, read from the system's GL headers:

    gl_function_table.py OUT.inc gl.h glext.h glx.h glxext.h

Each row is {"name", "group"}, sorted by name: group is GL_VERSION_x_y or
GLX_VERSION_x_y for core functions, else the extension's name. The
runtime answers whether a context really offers a function with it, since
the drivers' address lookups hand out a stub for any name at all."""
import re
import sys

GROUP = re.compile(r'^#ifndef\s+((?:GL|GLX)_\w+)\s*$')
DEFINE = re.compile(r'^#define\s+((?:GL|GLX)_\w+)\s+1\s*$')
GL_FUNCTION = re.compile(r'\bAPIENTRY\s+(gl[A-Z]\w*)\s*\(')
GLX_FUNCTION = re.compile(r'^(?!typedef).*?\b(glX[A-Z]\w*)\s*\(')


def read(path, pattern, default_group, table):
    pending, group = None, default_group
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            m = GROUP.match(line)
            if m:
                pending = m.group(1)
                continue
            m = DEFINE.match(line)
            if m and m.group(1) == pending:
                group, pending = m.group(1), None
                continue
            m = pattern.search(line)
            if m and not line.lstrip().startswith('#'):
                table.setdefault(m.group(1), group)


def main():
    out, gl_h, glext_h, glx_h, glxext_h = sys.argv[1:6]
    table = {}
    # glext.h first: it places the 1.2 and later core functions that gl.h
    # also declares; what gl.h has beyond them is 1.0 and 1.1.
    read(glext_h, GL_FUNCTION, 'GL_VERSION_1_1', table)
    read(gl_h, re.compile(r'\bGLAPIENTRY\s+(gl[A-Z]\w*)\s*\('), 'GL_VERSION_1_1', table)
    read(glxext_h, GLX_FUNCTION, 'GLX_VERSION_1_4', table)
    read(glx_h, GLX_FUNCTION, 'GLX_VERSION_1_4', table)
    with open(out, 'w', encoding='utf-8') as f:
        f.write('// Made by tools/gl_function_table.py from the GL headers.\n')
        for name in sorted(table):
            f.write('{"%s", "%s"},\n' % (name, table[name]))


if __name__ == '__main__':
    main()
