#!/usr/bin/env python3
"""INI interop checks with Python's configparser.

dump FILE     prints the sections of FILE as JSON (keys keep their case)
write FILE    writes a fixed set of sections with configparser
"""
import configparser
import json
import sys


def parser():
    p = configparser.ConfigParser(interpolation=None, strict=False)
    p.optionxform = str  # keys keep their case
    return p


def main():
    mode, name = sys.argv[1], sys.argv[2]
    if mode == "dump":
        p = parser()
        with open(name, encoding="latin-1", newline="") as f:
            p.read_file(f)
        out = [[s, [[k, v] for k, v in p.items(s, raw=True)]] for s in p.sections()]
        print(json.dumps(out))
    elif mode == "write":
        p = parser()
        p["Video"] = {"Width": "800", "Height": "480", "Mode": "full screen"}
        p["Player One"] = {"name": "Ann B", "score": "1200"}
        p["audio"] = {"volume": "0.75"}
        with open(name, "w", encoding="latin-1") as f:
            p.write(f)
    else:
        sys.exit(2)


if __name__ == "__main__":
    main()
