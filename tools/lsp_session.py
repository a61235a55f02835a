#!/usr/bin/env python3
"""A scripted editor session of the language server on a copy of the example
project: open, a misspelt keyword (a changed range) and its fix, completion (keywords, softkey
and menu names, source files), hover, definition, references, the outline,
a text source opened, closed unsaved, shutdown and exit.  Prints every
message the server sends, one JSON line each, with the project's folder
written as <project>, so that the answers of two hosts' servers compare
line by line (tools/compare_hosts.sh).

usage: lsp_session.py <project folder> <its URI as the server sees it> <server command...>"""

import json
import os
import re
import subprocess
import sys
import threading

folder, folder_uri, command = sys.argv[1], sys.argv[2].rstrip("/"), sys.argv[3:]
uri = folder_uri + "/mill.spm"
text = open(os.path.join(folder, "mill.spm"), encoding="cp1252").read()
lines = text.split("\n")


def line_of(start):
    return next(i for i, line in enumerate(lines) if line.startswith(start))


def at(line, character, document=uri):
    return {"textDocument": {"uri": document}, "position": {"line": line, "character": character}}


def change(version, edited):
    return ("textDocument/didChange", {"textDocument": {"uri": uri, "version": version},
                                       "contentChanges": [{"text": edited}]})


def change_range(version, line, start, end, new):
    span = {"start": {"line": line, "character": start}, "end": {"line": line, "character": end}}
    return ("textDocument/didChange", {"textDocument": {"uri": uri, "version": version},
                                       "contentChanges": [{"range": span, "text": new}]})


node = line_of("NODE COOLANT COOLANTMENU")
item = line_of("CHECK CLAMP") + 1
source_uri = folder_uri + "/start.txs"
session = [
    ("initialize", {"rootUri": folder_uri, "capabilities": {},
                    "initializationOptions": {"arguments": ["-pjmill.pj", "-rmill4.cfg"]}}),
    ("initialized", {}),
    ("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "quillon32-project", "version": 1,
                                               "text": text}}),
    change_range(2, line_of("SKNEXTDEF"), 0, len("SKNEXTDEF"), "SKNEXDEF"),
    change(3, "\n".join(lines[:item] + ["NODE SPINDLE "] + lines[item:])),
    ("textDocument/completion", at(item, 13)),
    change(4, "\n".join(lines[:item] + ["BMP "] + lines[item:])),
    ("textDocument/completion", at(item, 4)),
    change(5, text),
    ("textDocument/completion", at(item, 0)),
    ("textDocument/hover", at(line_of("BMP rpm.bmp"), 6)),
    ("textDocument/hover", at(line_of("ROWDEF"), 2)),
    ("textDocument/definition", at(node, lines[node].index("COOLANTMENU") + 3)),
    ("textDocument/references", {**at(node, 6), "context": {"includeDeclaration": True}}),
    ("textDocument/documentSymbol", {"textDocument": {"uri": uri}}),
    ("textDocument/didOpen", {"textDocument": {"uri": source_uri, "languageId": "quillon32-text", "version": 1,
                                               "text": "Größe ─ı abcdef\n"}}),
    ("textDocument/didClose", {"textDocument": {"uri": source_uri}}),
    ("shutdown", None),
    ("exit", None),
]

server = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
answers = []


def read():
    while True:
        length = None
        while True:
            header = server.stdout.readline()
            if not header:
                return
            if header.lower().startswith(b"content-length:"):
                length = int(header.split(b":")[1])
            if header in (b"\r\n", b"\n"):
                break
        answers.append(server.stdout.read(length).decode("utf-8"))


reader = threading.Thread(target=read)
reader.start()
requests = 0
for method, params in session:
    message = {"jsonrpc": "2.0", "method": method}
    if params is not None:
        message["params"] = params
    if not method.startswith(("textDocument/did", "initialized", "exit")):
        requests += 1
        message["id"] = requests
    body = json.dumps(message).encode("utf-8")
    server.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
    server.stdin.flush()
server.stdin.close()
status = server.wait()
reader.join()

# The folder as each host writes it: in URIs (its drive's colon escaped or
# not) and as a path (with "/" or "\", in JSON strings "\\").
host_path = re.sub(r"^file://", "", folder_uri)
if re.match(r"^/[A-Za-z]:", host_path):
    host_path = host_path[1:]
forms = [folder_uri, folder_uri.replace(":", "%3A").replace("file%3A", "file:"), host_path,
         host_path.replace("/", "\\\\"), host_path.replace("/", "\\")]
for answer in answers:
    for form in sorted(forms, key=len, reverse=True):
        answer = re.sub(re.escape(form), "<project>", answer, flags=re.I)
    # The names below it with "/" too.
    answer = re.sub(r"<project>((?:(?:\\\\|\\|/)[\w.\-]+)+)",
                    lambda m: "<project>" + re.sub(r"\\\\|\\", "/", m.group(1)), answer)
    print(answer)
print(f"exit status {status}")
