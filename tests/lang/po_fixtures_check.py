#!/usr/bin/env python3
"""Every ".po" file that a case writes or copies must be a catalogue GNU
gettext itself accepts: each is given to "msgfmt --check".  Prints how many were accepted,
and the complaints of each one refused (then the status is 1).

usage: po_fixtures_check.py SOURCE_DIR
"""
import pathlib
import subprocess
import sys
import tempfile


def decode(lines, flags):
    """The bytes of a case file's body, as the case runner makes them."""
    if "hex" in flags:
        return bytes.fromhex("".join(c for c in "".join(lines) if c in "0123456789abcdefABCDEF"))
    out = bytearray()
    for i, line in enumerate(lines):
        raw = line.encode("utf-8", "surrogateescape")
        if "esc" in flags:
            k = 0
            while k < len(raw):
                if raw[k:k + 2] == b"\\\\":
                    out += b"\\"
                    k += 2
                elif raw[k:k + 2] == b"\\x" and k + 3 < len(raw):
                    out.append(int(raw[k + 2:k + 4], 16))
                    k += 4
                else:
                    out.append(raw[k])
                    k += 1
        else:
            out += raw
        if i + 1 < len(lines) or "nonl" not in flags:
            out += b"\r\n" if "crlf" in flags else b"\n"
    return bytes(out)


def fixtures(source):
    """(file, line, path, bytes) of every ".po" file of the examples and the
    test data, which cases copy, and of every "--- file *.po" step."""
    for tree in ("examples", "tests"):
        for path in sorted(pathlib.Path(source, tree).rglob("*")):
            if path.is_file() and path.suffix.lower() == ".po":
                yield path.relative_to(source), 0, path.name, path.read_bytes()
    for case in sorted(pathlib.Path(source, "tests").rglob("*.case")):
        lines = case.read_text("utf-8", "surrogateescape").split("\n")
        if lines and lines[-1] == "":
            lines.pop()
        for at, line in enumerate(lines):
            words = line.split()
            if words[:2] != ["---", "file"] or len(words) < 3 or not words[2].lower().endswith(".po"):
                continue
            end = at + 1
            while end < len(lines) and not lines[end].startswith("--- "):
                end += 1
            yield case.relative_to(source), at + 1, words[2], decode(lines[at + 1:end], words[3:])


def main():
    source = pathlib.Path(sys.argv[1])
    accepted, refused = 0, 0
    with tempfile.TemporaryDirectory() as work:
        for case, line, name, body in fixtures(source):
            path = pathlib.Path(work, "fixture.po")
            path.write_bytes(body)
            check = subprocess.run(["msgfmt", "--check", "-o", "/dev/null", str(path)],
                                   capture_output=True, text=True)
            if check.returncode == 0:
                accepted += 1
                continue
            refused += 1
            print(f"{case}:{line}: {name} refused:")
            print(check.stderr.replace(str(path), name), end="")
    print(f"{accepted} catalogues accepted, {refused} refused")
    return 1 if refused else 0


if __name__ == "__main__":
    sys.exit(main())
