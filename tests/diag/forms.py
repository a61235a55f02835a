#!/usr/bin/env python3
# usage: forms.py QUILLON32 SOURCE_DIR WORK_DIR NODE_DIR
# A five-axis project with errors, -W warnings and notes, in a folder whose name
# holds blanks and characters beyond ASCII (UTF-8 on disk), runs with -diag:gcc
# and -sarif from the folder above it.  Standard output keeps no "File:" report
# line; every stderr line must match the manual's VS Code problem matcher (the
# extension's $quillon32 is the same), its column stand at a word its message
# names; the SARIF log names the same places, every URI resolved against its
# base names an existing file, and @microsoft/sarif-multitool's validator finds
# no error (77: not installed).

import json
import os
import re
import shutil
import subprocess
import sys
import urllib.parse
import urllib.request

FOLDER = "Größe Kühl€"


def problem_matcher(manual):
    # The pattern of the first problem matcher in the manual's JSON blocks.
    for block in re.findall(r"```json\n(.*?)```", open(manual, encoding="utf-8").read(), re.S):
        data = json.loads(block)
        for task in data.get("tasks", []):
            matcher = task.get("problemMatcher")
            if isinstance(matcher, dict):
                return matcher["pattern"]
    sys.exit("no problem matcher in " + manual)


def main():
    program, source, work, node = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    folder = os.path.join(work, FOLDER)
    shutil.copytree(os.path.join(source, "tests/data/fiveaxis"), folder)
    shutil.copytree(os.path.join(source, "examples/mill/bmx"), os.path.join(folder, "bmx"))
    project = os.path.join(folder, "five.spm")
    text = open(project, encoding="latin-1").read()
    # A misspelt #ENDIF (a note, under -W a warning, and errors after it),
    # an unknown keyword, a missing bitmap.
    text = text.replace("#ENDIF", "#ENDFI").replace("ROWDEF 0 7", "ROWDFE 0 7").replace("back.bmp", "bakc.bmp")
    open(project, "w", encoding="latin-1").write(text)

    run = subprocess.run([program, FOLDER + "/five.spm", "-gensys", "-r" + FOLDER + "/five.cfg", "-W", "-diag:gcc",
                          "-sarif:out/run.sarif"], cwd=work, capture_output=True)
    failures = []
    if run.returncode != 2:
        failures.append(f"status {run.returncode}, not 2")
    for line in run.stdout.decode("latin-1").splitlines():
        if line.startswith("File:"):
            failures.append("a report line on standard output: " + line)
    pattern = problem_matcher(os.path.join(source, "docs/manual/messages.md"))
    # The VS Code extension's $quillon32 is the manual's matcher.
    with open(os.path.join(source, "editors/vscode/package.json"), encoding="utf-8") as f:
        if json.load(f)["contributes"]["problemMatchers"][0]["pattern"] != pattern:
            failures.append("the problem matcher of editors/vscode/package.json is not the manual's")
    regexp = re.compile(pattern["regexp"])
    counts = {"error": 0, "warning": 0, "note": 0}
    places = []  # (file, line, column) of each report that is no note
    lines = run.stderr.decode("utf-8", "surrogateescape").splitlines()
    for line in lines:
        m = regexp.match(line)
        if not m:
            failures.append("the problem matcher does not match: " + line)
            continue
        file, number, column = m.group(pattern["file"]), m.group(pattern["line"]), m.group(pattern["column"])
        severity, message = m.group(pattern["severity"]), m.group(pattern["message"])
        counts[severity] += 1
        path = os.path.join(work, file)
        if not os.path.isfile(path):
            failures.append(f"no file {file}: {line}")
            continue
        text_lines = open(path, "rb").read().decode("latin-1").split("\n")
        if number and int(number) > len(text_lines):
            failures.append(f"{file} has no line {number}: {line}")
            continue
        if "code" in pattern and severity != "note" and not re.fullmatch(r"[EW]\d+", m.group(pattern["code"]) or ""):
            failures.append("no message number: " + line)
        if severity != "note":
            places.append((file, int(number or 0), int(column or 0)))
            # The column stands at the word the report names.
            if column:
                word = re.match(r"[^ \t,=]*", text_lines[int(number) - 1][int(column) - 1:]).group(0)
                if not word or word not in message:
                    failures.append(f"column {column} stands at {word!r}, which the message does not name: {line}")
    if min(counts.values()) == 0 or not any(column for _, _, column in places):
        failures.append(f"not every severity reported, or no column: {counts}")

    log = json.load(open(os.path.join(work, "out/run.sarif"), encoding="utf-8"))
    sarif_run = log["runs"][0]
    bases = sarif_run.get("originalUriBaseIds", {})
    if sarif_run.get("columnKind") != "unicodeCodePoints":
        failures.append("the columns are not counted in characters")

    def location_place(location):
        # The file (relative to the work folder), line and column a location names.
        physical = location["physicalLocation"]
        artifact = physical["artifactLocation"]
        uri = artifact["uri"]
        if "uriBaseId" in artifact:
            uri = urllib.parse.urljoin(bases[artifact["uriBaseId"]]["uri"], uri)
        path = urllib.request.url2pathname(urllib.parse.urlparse(uri).path)
        if not os.path.isfile(path):
            failures.append(f"the URI {artifact['uri']} names no file ({path})")
        region = physical.get("region", {})
        return os.path.relpath(path, work), region.get("startLine", 0), region.get("startColumn", 0)

    # Each rule's description is the catalogue's text of its number (a
    # warning's key is negative), without the place of the detail.
    catalogue = dict(re.findall(r'^(-?\d+)\s+"[EWF]\d+: (.*?)(?:: %s| %s)?"$',
                                open(os.path.join(source, "Quillon32.err"), encoding="latin-1").read(), re.M))
    for rule in sarif_run["tool"]["driver"]["rules"]:
        key = ("-" if rule["id"][0] == "W" else "") + rule["id"][1:]
        if rule["id"] != "note" and catalogue.get(key) != rule["shortDescription"]["text"]:
            failures.append(f"rule {rule['id']}: {rule['shortDescription']['text']!r}, not the catalogue's")
    results = sarif_run["results"]
    sarif_places = [location_place(r["locations"][0]) for r in results if r["level"] != "note"]
    for r in results:
        for related in r.get("relatedLocations", []):
            location_place(related)
    # The menus the misspelt #ENDIF switches off are unknown: each such error
    # follows from the note at the #ENDFI (line 22, column 1).
    follows = [r for r in results if r["ruleId"] == "E8270" and any(
        rel["message"]["text"].startswith("follows from:") and location_place(rel)[1:] == (22, 1)
        for rel in r.get("relatedLocations", []))]
    if len(follows) != 2:
        failures.append(f"{len(follows)} E8270 follow from the #ENDFI at 22:1, not 2 (AXESMENU, ROTARYMENU)")
    if sarif_places != places:
        failures.append(f"SARIF places {sarif_places} are not the -diag:gcc places {places}")

    for failure in failures:
        print(failure)
    if failures:
        print("\n".join(lines))
        return 1
    print(f"{len(lines)} reports ({counts}) match the problem matcher; SARIF names the same places")

    validator = os.path.join(node, "node_modules/@microsoft/sarif-multitool-linux/Sarif.Multitool")
    if not os.path.isfile(validator):
        print(f"skipped: the SARIF validator is not installed in {node} (tools/setup.sh {os.path.dirname(node)} installs it)")
        return 77
    # npm leaves the executable bit to an install script it does not run.
    os.chmod(validator, os.stat(validator).st_mode | 0o100)
    check = subprocess.run([validator, "validate", "out/run.sarif", "--output", "validation.sarif", "--log", "ForceOverwrite"],
                           cwd=work, capture_output=True, text=True)
    print(check.stdout)
    findings = json.load(open(os.path.join(work, "validation.sarif"), encoding="utf-8"))["runs"][0]["results"]
    problems = [r for r in findings if r.get("level", "warning") == "error"]
    for r in problems:
        print("SARIF validator:", r["message"].get("text", r["message"]))
    return 1 if check.returncode != 0 or problems else 0


if __name__ == "__main__":
    sys.exit(main())
