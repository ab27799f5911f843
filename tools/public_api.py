#!/usr/bin/env python3
"""The commands of the public header runtime/zorvane.hpp.

  public_api.py names HEADER          one command name a line (overloads once)
  public_api.py probe HEADER OUT.cpp  a program that takes the address of every
                                      declared command, so that a declaration
                                      without a definition does not link
"""
import re
import sys

DECL = re.compile(r"^([A-Za-z_][\w:<>&*\s]*?[\s*&])(\w+)\(([^;]*)\);", re.S)


def declarations(path):
    text = open(path, encoding="utf-8").read()
    body = text[text.index("namespace zrv {") + len("namespace zrv {"):]
    body = re.sub(r"//[^\n]*", "", body)  # comments
    out = []
    body = re.sub(r"namespace \w+ \{", " ", body)  # nested namespaces (zrv::color)
    for statement in body.split(";"):
        statement = " ".join(statement.split()).lstrip("} ") + ";"
        m = DECL.match(statement.strip())
        if m:
            # A default argument is not part of the function's type.
            params = re.sub(r"\s*=\s*[^,]+", "", m.group(3))
            out.append((m.group(1).strip(), m.group(2), params))
    return out


def main(argv):
    if len(argv) < 3 or argv[1] not in ("names", "probe"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    decls = declarations(argv[2])
    if argv[1] == "names":
        seen = []
        for _, name, _ in decls:
            if name not in seen:
                seen.append(name)
        print("\n".join(seen))
        return 0
    lines = ["// Written by tools/public_api.py from zorvane.hpp: every command links.",
             "#include <zorvane.hpp>", "", "void app_defaults() {}", "",
             "void game_main() {", "  using namespace zrv;"]
    for ret, name, params in decls:
        lines.append(f"  (void)static_cast<{ret} (*)({params})>(&zrv::{name});")
    lines += [f'  zrv::console_print("{len(decls)} commands\\n");', "}", "",
              "const zrv::UserFunction user_functions[] = {{nullptr, nullptr}};", ""]
    open(argv[3], "w", encoding="utf-8").write("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
