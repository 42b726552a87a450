#!/usr/bin/env python3
"""Rewrites letters beyond ASCII in man pages as groff escapes (\\[uXXXX]),
so the pages render the same with or without a UTF-8 preprocessor."""
import sys

for path in sys.argv[1:]:
    with open(path, encoding="utf-8") as f:
        text = f.read()
    out = "".join(c if ord(c) < 128 else "\\[u%04X]" % ord(c) for c in text)
    if out != text:
        with open(path, "w", encoding="ascii") as f:
            f.write(out)
