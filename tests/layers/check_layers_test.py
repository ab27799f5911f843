#!/usr/bin/env python3
"""The layer check finds system headers and calls outside the platform
folder, and leaves alone what only looks like them."""
import os
import subprocess
import sys
import tempfile

TOOL = sys.argv[1]

FILES = {
    "platform/posix/files.cpp": "#include <unistd.h>\nint f() { return ::close(3); }\n",
    "base/ok.hpp": ("struct File {\n  void close();\n  bool read(void* to, int n);\n"
                    "  ~File() { close(); }\n};\n"
                    "// read(fd, buffer, n) in a comment\n"
                    "inline const char* s = \"open(name)\";\n"),
    "base/ok.cpp": "void g(File& f, File* p) { f.close(); p->read(nullptr, 0); }\n",
    "files/bad.cpp": ("#include <sys/stat.h>\n#include <cstdio>\n"
                      "int h(const char* n) {\n  int fd = ::open(n, 0);\n"
                      "  if (fd < 0) return unlink(n);\n  return fstat(fd, nullptr);\n}\n"),
}
GAME = {"main.cpp": "#include <SDL.h>\nint main() { return getpid(); }\n"}


def write(root, files):
    for name, text in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)


with tempfile.TemporaryDirectory() as tmp:
    runtime, game = os.path.join(tmp, "runtime"), os.path.join(tmp, "game")
    write(runtime, FILES)
    write(game, GAME)
    run = subprocess.run([sys.executable, TOOL, "--os-free", game, runtime, "platform", "base",
                          "files"], capture_output=True, text=True)
    found = sorted(line.split(": ", 1)[0] + ": " + line.split(": ", 1)[1].split(" ")[1]
                   for line in run.stdout.splitlines())
    expected = sorted([
        "runtime/files/bad.cpp:1: <sys/stat.h>",
        "runtime/files/bad.cpp:4: open()",
        "runtime/files/bad.cpp:5: unlink()",
        "runtime/files/bad.cpp:6: fstat()",
        "game/main.cpp:1: <SDL.h>",
        "game/main.cpp:2: getpid()",
    ])
    if run.returncode != 1 or found != expected:
        print("exit status", run.returncode)
        print("found:\n  " + "\n  ".join(found))
        print("expected:\n  " + "\n  ".join(expected))
        sys.exit(1)
print("the layer check finds the system calls and headers outside platform/, and only those")
