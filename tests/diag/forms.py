#!/usr/bin/env python3
"""usage: forms.py QUILLON32 SOURCE_DIR WORK_DIR NODE_DIR
A five-axis project with errors, -W warnings and notes runs with -diag:gcc and
-sarif: every stderr line must match the manual's VS Code problem matcher (the
extension's $quillon32 is the same) and the SARIF log pass
@microsoft/sarif-multitool's validator (77: not installed)."""

import json
import os
import re
import shutil
import subprocess
import sys


def problem_matcher(manual):
    """The pattern of the first problem matcher in the manual's JSON blocks."""
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
    shutil.copytree(os.path.join(source, "tests/data/fiveaxis"), work)
    shutil.copytree(os.path.join(source, "examples/mill/bmx"), os.path.join(work, "bmx"))
    project = os.path.join(work, "five.spm")
    text = open(project, encoding="latin-1").read()
    # A misspelt #ENDIF (a note, under -W a warning, and errors after it),
    # an unknown keyword, a missing bitmap.
    text = text.replace("#ENDIF", "#ENDFI").replace("ROWDEF 0 7", "ROWDFE 0 7").replace("back.bmp", "bakc.bmp")
    open(project, "w", encoding="latin-1").write(text)

    run = subprocess.run([program, "five.spm", "-gensys", "-rfive.cfg", "-W", "-diag:gcc", "-sarif:out/run.sarif"],
                         cwd=work, capture_output=True, text=True, encoding="latin-1")
    failures = []
    if run.returncode != 2:
        failures.append(f"status {run.returncode}, not 2")
    pattern = problem_matcher(os.path.join(source, "docs/manual/messages.md"))
    # The VS Code extension's $quillon32 is the manual's matcher.
    with open(os.path.join(source, "editors/vscode/package.json"), encoding="utf-8") as f:
        if json.load(f)["contributes"]["problemMatchers"][0]["pattern"] != pattern:
            failures.append("the problem matcher of editors/vscode/package.json is not the manual's")
    regexp = re.compile(pattern["regexp"])
    counts = {"error": 0, "warning": 0, "note": 0}
    lines = run.stderr.splitlines()
    for line in lines:
        m = regexp.match(line)
        if not m:
            failures.append("the problem matcher does not match: " + line)
            continue
        file, number = m.group(pattern["file"]), m.group(pattern["line"])
        counts[m.group(pattern["severity"])] += 1
        path = os.path.join(work, file)
        if not os.path.isfile(path):
            failures.append(f"no file {file}: {line}")
        elif number and int(number) > open(path, "rb").read().count(b"\n") + 1:
            failures.append(f"{file} has no line {number}: {line}")
        if "code" in pattern and not re.fullmatch(r"[EW]\d+", m.group(pattern["code"]) or ""):
            if m.group(pattern["severity"]) != "note":
                failures.append("no message number: " + line)
    if min(counts.values()) == 0:
        failures.append(f"not every severity reported: {counts}")

    log = json.load(open(os.path.join(work, "out/run.sarif"), encoding="utf-8"))
    results = log["runs"][0]["results"]
    related = sum(len(r.get("relatedLocations", [])) for r in results)
    if len(results) != counts["error"] + counts["warning"] or related != counts["note"]:
        failures.append(f"{len(results)} SARIF results with {related} related locations for {counts}")

    for failure in failures:
        print(failure)
    if failures:
        print(run.stderr)
        return 1
    print(f"{len(lines)} reports ({counts}) match the problem matcher")

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
