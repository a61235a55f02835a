#!/usr/bin/env python3
"""usage: run_manual_examples.py <manual directory> <Quillon32 executable>

Runs the fenced blocks marked example=NAME in manual order, in a fresh
directory per NAME: file=PATH blocks are written there, sh blocks run (bash,
Quillon32 on PATH), and an expect block judges the last command before it
("status:", "messages: none" or codes, "files:", "absent:", "contains: F TEXT",
"lacks: F TEXT"); every other command must succeed, and every block that begins
with a project header must belong to an example.
"""

import os
import re
import subprocess
import sys
import tempfile

# A fenced block with a language: its info string and its lines.
FENCE = re.compile(r"^```(\S+)([^\n]*)\n(.*?)^```", re.M | re.S)
CODE = re.compile(r"\b([EWF]\d{4}):")
REPORT = re.compile(r"^(File|Error|Warning): ", re.M)
# A block that begins like a whole project must belong to an example.
HEADERS = ("QUILLON Project File", "; BMX Project File")


def blocks(path):
    text = open(path, encoding="utf-8").read()
    for m in FENCE.finditer(text):
        words = m.group(2).split()
        attrs = dict(w.split("=", 1) for w in words if "=" in w)
        body = m.group(3).split("\n")[:-1]
        where = f"{os.path.basename(path)}:{text.count(chr(10), 0, m.start()) + 1}"
        if "example" in attrs:
            yield m.group(1), attrs, {w for w in words if "=" not in w}, body, where
        elif body and body[0].startswith(HEADERS):
            yield m.group(1), {"example": "unmarked"}, {"unmarked"}, [], where


def commands(body):
    lines = "\n".join(body).replace("\\\n", "").split("\n")
    return [line for line in lines if line.strip() and not line.lstrip().startswith("#")]


def check(where, result, body, workdir):
    status, output = result
    problems = []
    for line in body:
        key, _, value = line.partition(":")
        value = value.split()
        if key == "status" and status != int(value[0]):
            problems.append(f"status {status}, the manual says {value[0]}")
        elif key == "messages" and value == ["none"]:
            if REPORT.search(output) or "0 Error(s), 0 Warning(s)" not in output:
                problems.append("messages where the manual says none")
        elif key == "messages" and sorted(set(CODE.findall(output))) != sorted(set(value)):
            problems.append(f"messages {sorted(set(CODE.findall(output)))}, the manual says {value}")
        elif key in ("files", "absent"):
            problems += [f"{f} {'missing' if key == 'files' else 'exists'}" for f in value
                         if os.path.exists(os.path.join(workdir, f)) != (key == "files")]
        elif key in ("contains", "lacks"):
            name, text = line.partition(":")[2].strip().split(" ", 1)
            path = os.path.join(workdir, name)
            held = os.path.exists(path) and text in open(path, encoding="latin-1").read()
            if held != (key == "contains"):
                problems.append(f"{name} {'lacks' if key == 'contains' else 'holds'} {text!r}")
    if problems:
        print(f"{where}: " + "; ".join(problems) + "\n" + output)
    return not problems


def main():
    manual, exe = sys.argv[1], os.path.abspath(sys.argv[2])
    examples = {}
    for name in sorted(os.listdir(manual)):
        if name.endswith(".md"):
            for block in blocks(os.path.join(manual, name)):
                examples.setdefault(block[1]["example"], []).append(block)
    env = dict(os.environ, PATH=os.path.dirname(exe) + os.pathsep + os.environ["PATH"])
    failures = 0
    for example, parts in examples.items():
        with tempfile.TemporaryDirectory() as workdir:
            ok, last = True, None  # the last command whose result no expect block judged yet

            def succeeded():
                if last is not None and last[1][0] != 0:
                    print(f"{last[0]}: status {last[1][0]}\n{last[1][1]}")
                    return False
                return True

            for lang, attrs, flags, body, where in parts:
                if "unmarked" in flags:
                    print(f"{where}: a whole project that belongs to no example")
                    ok = False
                elif "file" in attrs:
                    path = os.path.join(workdir, attrs["file"])
                    os.makedirs(os.path.dirname(path), exist_ok=True)
                    with open(path, "w", encoding="utf-8") as f:
                        f.write("\n".join(body) + "\n")
                elif "expect" in flags:
                    ok = last is not None and check(where, last[1], body, workdir) and ok
                    last = None
                elif lang == "sh":
                    for command in commands(body):
                        ok = succeeded() and ok
                        run = subprocess.run(["bash", "-c", command], cwd=workdir, env=env,
                                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                             encoding="latin-1")
                        last = (f"{where}: {command}", (run.returncode, run.stdout))
            ok = succeeded() and ok
        print(f"example {example}: {'ok' if ok else 'FAILED'}")
        failures += not ok
    return 1 if failures or not examples else 0


if __name__ == "__main__":
    sys.exit(main())
