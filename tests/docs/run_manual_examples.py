#!/usr/bin/env python3
# usage: run_manual_examples.py <manual directory> <Quillon32 executable> <README>
#
# Runs the blocks marked example=NAME of the manual and the README, in manual
# order, one fresh directory per NAME: file=PATH blocks are written, sh blocks
# run, and an expect block judges the last command before it ("status:",
# "messages:", "files:", "absent:", "contains:", "lacks:", "prints:"); every
# other command must succeed.  Parts of command lines that build, test or pack
# the project (BUILD) are left out, and the preview's when it is not built.

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
BUILD = ("cmake -S", "cmake --build", "cmake --install", "ctest", "cpack", "(cd build", "bash fuzz/",
         "tools/compare_hosts.sh", "apt ", "mkdir -p build/node", "cp tools/node/", "npm ci", "tools/pack_vscode.sh",
         "tools/setup.sh")


def blocks(path):
    text = open(path, encoding="utf-8").read()
    for m in FENCE.finditer(text):
        words = m.group(2).split()
        attrs = dict(w.split("=", 1) for w in words if "=" in w)
        body = m.group(3).split("\n")[:-1]
        where = f"{os.path.basename(path)}:{text.count(chr(10), 0, m.start()) + 1}"
        if "example" in attrs:
            yield m.group(1), attrs, {w for w in words if "=" not in w}, body, where
        elif (body and body[0].startswith(HEADERS)) or (m.group(1) == "sh" and commands(body)):
            yield m.group(1), {"example": "unmarked"}, {"unmarked"}, [], where


def commands(body):
    lines = "\n".join(body).replace("\\\n", "").split("\n")
    lines = [line.split(" #")[0].strip() for line in lines if line.strip() and not line.lstrip().startswith("#")]
    return [part for line in lines for part in line.split(" && ") if not part.startswith(BUILD)]


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
        elif key == "prints" and line.partition(":")[2].strip() not in output:
            problems.append(f"it does not print {line.partition(':')[2].strip()!r}")
    if problems:
        print(f"{where}: " + "; ".join(problems) + "\n" + output)
    return not problems


def main():
    manual, exe, readme = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    bindir = os.path.dirname(exe)
    preview = os.path.exists(os.path.join(bindir, "Quillon32Preview"))
    index = open(os.path.join(manual, "README.md"), encoding="utf-8").read()
    chapters = sorted((n for n in os.listdir(manual) if n.endswith(".md")),
                      key=lambda n: (index.find(f"]({n})") % (len(index) + 1), n))
    examples = {}
    for path in [os.path.join(manual, n) for n in chapters] + [readme]:
        for block in blocks(path):
            examples.setdefault(block[1]["example"], []).append(block)
    env = dict(os.environ, PATH=bindir + os.pathsep + os.environ["PATH"])
    failures = 0
    for example, parts in examples.items():
        writers = {p[4].split(":")[0] for p in parts if "file" in p[1]}
        parts.sort(key=lambda p: p[4].split(":")[0] not in writers)
        with tempfile.TemporaryDirectory() as workdir:
            if any(p[4].startswith("README.md:") for p in parts):
                os.symlink(os.path.join(os.path.dirname(readme), "examples"), os.path.join(workdir, "examples"))
                os.mkdir(os.path.join(workdir, "build"))
                for name in os.listdir(bindir):
                    if name.startswith("Quillon32"):
                        os.symlink(os.path.join(bindir, name), os.path.join(workdir, "build", name))
            ok, last = True, None  # the last command whose result no expect block judged yet

            def succeeded():
                if last not in (None, "skipped") and last[1][0] != 0:
                    print(f"{last[0]}: status {last[1][0]}\n{last[1][1]}")
                    return False
                return True

            for lang, attrs, flags, body, where in parts:
                if "unmarked" in flags:
                    print(f"{where}: a whole project or a command that belongs to no example")
                    ok = False
                elif "file" in attrs:
                    path = os.path.join(workdir, attrs["file"])
                    os.makedirs(os.path.dirname(path), exist_ok=True)
                    with open(path, "w", encoding="utf-8") as f:
                        f.write("\n".join(body) + "\n")
                elif "expect" in flags and last == "skipped":
                    last = None
                elif "expect" in flags:
                    ok = last is not None and check(where, last[1], body, workdir) and ok
                    last = None
                elif lang == "sh":
                    for command in commands(body):
                        ok = (last == "skipped" or succeeded()) and ok
                        if not preview and re.match(r"(build/)?Quillon32Preview\b", command):
                            last = "skipped"
                            continue
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
