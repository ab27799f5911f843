#!/usr/bin/env python3
"""Checks the include graph of the runtime's folders, and that only the
platform folder talks to the operating system.

Usage: check_layers.py [--os-free DIR ...] RUNTIME_DIR LAYER [LAYER ...]

Each LAYER is a comma-separated group of folder names, lowest first (for
example "platform" "base" "types" "files,input,net,path" "gfx,sound" "app").
A file may include headers of its own folder and of folders in lower
groups only. Independently of that order, the folders must not include
each other in a cycle.

Outside RUNTIME_DIR/platform/, and in every --os-free DIR (a game built on
the runtime), no file may include an operating-system, window-system or
device-library header, nor call a system function directly. Prints every
offence and exits with 1.
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


# Headers of the operating systems and of the libraries behind the platform.
OS_HEADER = re.compile(
    r'^\s*#\s*include\s*<(unistd\.h|sys/[^>]*|dirent\.h|fcntl\.h|poll\.h|netdb\.h|arpa/[^>]*|'
    r'netinet/[^>]*|ifaddrs\.h|signal\.h|csignal|dlfcn\.h|link\.h|pwd\.h|malloc\.h|spawn\.h|'
    r'termios\.h|SDL[^>]*|GL/glx[^>]*|X11/[^>]*|AL/[^>]*|mpv/[^>]*|windows\.h|winsock2\.h|'
    r'ws2tcpip\.h|emscripten[^>]*)>')
# System calls and C library functions that only POSIX has. Bare, a name
# counts only where an expression or statement starts (not a declaration
# of a method of the same name) and with arguments (not a call of a method
# of the class); "::name(" counts everywhere.
OS_FUNCTIONS = (
    "open|openat|close|read|write|pread|pwrite|lseek|fstat|stat|lstat|fsync|fdatasync|ftruncate|"
    "mkdir|rmdir|unlink|rename|renameat|symlink|readlink|realpath|access|chdir|getcwd|"
    "opendir|readdir|closedir|mkdtemp|mkstemp|socket|bind|listen|accept|accept4|connect|send|"
    "recv|sendto|recvfrom|shutdown|poll|select|getaddrinfo|freeaddrinfo|getnameinfo|"
    "gai_strerror|getifaddrs|freeifaddrs|inet_pton|inet_ntop|setsockopt|getsockopt|"
    "getsockname|getpeername|fcntl|ioctl|setrlimit|getrlimit|mmap|munmap|getpid|getppid|"
    "getuid|geteuid|getpwuid|kill|sigaction|sigemptyset|raise|fork|execv|execvp|execve|"
    "waitpid|pipe|pipe2|dup|dup2|isatty|dlopen|dlsym|dlclose|setenv|unsetenv|gmtime_r|"
    "localtime_r|clock_gettime|nanosleep|usleep|sleep|prctl|uname|sysconf")
OS_CALL = re.compile(r'(?:^\s*|[(=!,;{}&|?]\s*|\breturn\s+|[^\w:>.]::)(' + OS_FUNCTIONS +
                     r')\s*\((\s*\))?')
# The functions among them that take no arguments.
OS_FUNCTIONS_WITHOUT_ARGUMENTS = {"getpid", "getppid", "getuid", "geteuid", "fork"}
# Comments and string literals, left out of the search for calls.
COMMENT_OR_STRING = re.compile(r'//.*$|"(?:\\.|[^"\\])*"')


def source_files(top):
    for base, dirs, names in os.walk(top):
        dirs.sort()
        for name in sorted(names):
            if name.endswith((".cpp", ".hpp", ".h", ".cc")):
                yield os.path.join(base, name)


def os_offences(root, os_free):
    """Every OS header include and direct system call outside the platform."""
    problems = []
    platform = os.path.join(root, "platform") + os.sep
    tops = [root] + list(os_free)
    for top in tops:
        for path in source_files(top):
            if path.startswith(platform):
                continue
            shown = os.path.relpath(path, os.path.dirname(os.path.abspath(root)))
            with open(path, encoding="utf-8", errors="replace") as f:
                in_block = False
                for number, line in enumerate(f, 1):
                    m = OS_HEADER.match(line)
                    if m:
                        problems.append(f"{shown}:{number}: includes <{m.group(1)}> outside platform/")
                        continue
                    code = line
                    if in_block:
                        end = code.find("*/")
                        if end < 0:
                            continue
                        code, in_block = code[end + 2:], False
                    code = re.sub(r"/\*.*?\*/", " ", code)
                    start = code.find("/*")
                    if start >= 0:
                        code, in_block = code[:start], True
                    code = COMMENT_OR_STRING.sub(" ", code)
                    if code.lstrip().startswith("#"):
                        continue
                    for call in OS_CALL.finditer(code):
                        if call.group(2) and call.group(1) not in OS_FUNCTIONS_WITHOUT_ARGUMENTS:
                            continue
                        problems.append(f"{shown}:{number}: calls {call.group(1)}() outside platform/")
    return problems


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
    os_free = []
    args = argv[1:]
    while len(args) >= 2 and args[0] == "--os-free":
        os_free.append(args[1])
        args = args[2:]
    if len(args) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = args[0]
    rank = {}
    for level, group in enumerate(args[1:]):
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
    problems += os_offences(root, os_free)
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"layers: {len(graph)} folders, no include against the order, no cycle, "
          "no system call outside platform/")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
