"""Writes the Windows sample serwery.ini from the instance sample: its
opening comment (about the Linux instance tool) replaced, the working
directory under the program's folder, Windows-1250 with CR LF."""

import sys

source, target = sys.argv[1:3]
lines = open(source, encoding="utf-8").read().splitlines()
while lines and lines[0].startswith(";"):
    lines.pop(0)
lines = ["; serwery.ini: Windows-1250 with CR LF line ends (README-Windows.txt)."] + lines
text = "\n".join(lines).replace("{INSTANCE}/praca", "C:\\ZephAutomat\\praca") + "\n"
with open(target, "wb") as out:
    out.write(text.replace("\n", "\r\n").encode("cp1250"))
