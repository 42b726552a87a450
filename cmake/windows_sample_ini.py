"""Writes a Windows sample serwery.ini from the instance sample: its
opening comment (about the Linux instance tool) replaced, the working
directory the one given (the program's folder's, or the instance tool's
placeholder), Windows-1250 with CR LF."""

import sys

source, target, working_dir = sys.argv[1:4]
lines = open(source, encoding="utf-8").read().splitlines()
while lines and lines[0].startswith(";"):
    lines.pop(0)
lines = ["; serwery.ini: Windows-1250 with CR LF line ends (README-Windows.txt)."] + lines
text = "\n".join(lines).replace("{INSTANCE}/praca", working_dir) + "\n"
with open(target, "wb") as out:
    out.write(text.replace("\n", "\r\n").encode("cp1250"))
