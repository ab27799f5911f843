#!/usr/bin/env python3
"""Writes runtime/zorvane.hpp: one include for every public runtime header.

Run it after adding a header to a subsystem folder. Headers listed in
INTERNAL are implementation details of their folder and stay out."""
import glob
import os

INTERNAL = {
    "platform/clock_posix.hpp",
    "gfx/gl_api.hpp",
    "files/sha256.hpp",
    "files/file_replace.hpp",
}
HEAD = """// Zorvane: every runtime command and type, in namespace zrv.
//
// A game built on the runtime defines, in the global namespace:
//   void app_defaults();  // writes zrv::ctx's settings
//   void game_main();     // the game's main routine
//   extern const zrv::UserFunction user_functions[];  // ends with {nullptr, nullptr}
// and links zorvane::runtime, whose main() runs zrv::runtime_entry.
// This file is written by tools/umbrella.py.
#pragma once

"""
TAIL = """
void app_defaults();
void game_main();
extern const zrv::UserFunction user_functions[];
"""

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "runtime")
headers = sorted(os.path.relpath(h, root) for h in glob.glob(os.path.join(root, "*", "*.hpp")))
body = "".join(f'#include "{h}"\n' for h in headers if h not in INTERNAL)
with open(os.path.join(root, "zorvane.hpp"), "w") as f:
    f.write(HEAD + body + TAIL)
