#!/usr/bin/env python3
"""Writes a small PLC project information file from a text description.

The real file comes from the PLC development tools; this helper makes one
for the example project and for tests, in the same layout: a big-endian
header with the section offsets, then little-endian module, structure and
symbol records with their end records.  The packages install it as
Quillon32PlcProject (Quillon32PlcProject.py on Windows).

Usage:
    %(prog)s DESCRIPTION OUTPUT
    %(prog)s --help

Description lines (blank lines and lines starting with '#' are ignored):
    MODULE  <number> <name>
    STRUCT  <name> <size in bytes>
    MEMBER  <name> <type> <offset> [<element count>]    (belongs to the last STRUCT)
    SYMBOL  <name> <type> <value> [count=N] [module=N] [local] [struct=NAME] [text=WORDS...]
    SYMBOL2 ...                                          (same fields, second symbol list)

<type> is one character (M, I, O, W, D, K, S, s for a structure symbol, b/w/d
for sized inputs) or a number such as 0xE4 (an output double word: 'd' + 0x80).
text= takes the rest of the line.  The first symbol list is written in
ascending byte order of the names, as the PLC tools write it.
"""

import os
import struct
import sys

MAGIC = b"PLC Project File  V3.2\n\0"
HEADER_SIZE = 96
MODULE_RECORD = 544
STRUCTURE_RECORD = 52
MEMBER_RECORD = 48
SYMBOL_RECORD = 216
STRUCTURE_NAME_RECORD = 25
MAX_NAME = 24
LOCAL_FLAG = 0x80
END_NAME = b"@@ENDE@@"


def name_bytes(name):
    data = name.encode("latin-1")
    if len(data) > MAX_NAME:
        raise ValueError("name longer than %d characters: %s" % (MAX_NAME, name))
    return data


def type_byte(text):
    if len(text) == 1:
        return ord(text)
    return int(text, 0) & 0xFF


def put(record, offset, data):
    record[offset:offset + len(data)] = data


def module_record(number, name):
    record = bytearray(MODULE_RECORD)
    put(record, 0, struct.pack("<h", number))
    put(record, 10, name_bytes(name))
    return bytes(record)


def structure_record(name, size):
    record = bytearray(STRUCTURE_RECORD)
    put(record, 0, name_bytes(name))
    put(record, 32, struct.pack("<I", size & 0xFFFFFFFF))
    return bytes(record)


def member_record(name, type_, offset, count):
    record = bytearray(MEMBER_RECORD)
    put(record, 0, name_bytes(name))
    record[25] = type_
    put(record, 32, struct.pack("<II", offset & 0xFFFFFFFF, count & 0xFFFFFFFF))
    return bytes(record)


def symbol_record(sym):
    record = bytearray(SYMBOL_RECORD)
    put(record, 4, name_bytes(sym["name"]))
    put(record, 32, struct.pack("<i", sym["module"]))
    record[36] = sym["type"]
    put(record, 40, struct.pack("<I", sym["value"] & 0xFFFFFFFF))
    put(record, 60, struct.pack("<I", sym["count"] & 0xFFFFFFFF))
    put(record, 64, struct.pack("<I", LOCAL_FLAG if sym["local"] else 0))
    put(record, 72, struct.pack("<I", 1 if sym["struct"] else 0))
    text = sym["text"].encode("latin-1")[:SYMBOL_RECORD - 84 - 1]
    put(record, 84, text)
    data = bytes(record)
    if sym["struct"]:
        type_name = bytearray(STRUCTURE_NAME_RECORD)
        put(type_name, 0, name_bytes(sym["struct"]))
        data += bytes(type_name)
    return data


def end_record(size, name_at):
    record = bytearray(size)
    put(record, name_at, END_NAME)
    return bytes(record)


def parse_symbol(words, line):
    if len(words) < 4:
        raise ValueError("SYMBOL needs a name, a type and a value: " + line)
    sym = {"name": words[1], "type": type_byte(words[2]), "value": int(words[3], 0),
           "count": 0, "module": 0, "local": False, "struct": "", "text": ""}
    rest = words[4:]
    for i, word in enumerate(rest):
        if word.startswith("text="):
            sym["text"] = " ".join([word[5:]] + rest[i + 1:])
            break
        if word == "local":
            sym["local"] = True
        elif word.startswith("count="):
            sym["count"] = int(word[6:], 0)
        elif word.startswith("module="):
            sym["module"] = int(word[7:], 0)
        elif word.startswith("struct="):
            sym["struct"] = word[7:]
        else:
            raise ValueError("unknown symbol field %r: %s" % (word, line))
    return sym


def read_description(path):
    modules, structures, first, second = [], [], [], []
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            words = line.split()
            key = words[0].upper()
            if key == "MODULE":
                modules.append((int(words[1], 0), words[2]))
            elif key == "STRUCT":
                structures.append((words[1], int(words[2], 0), []))
            elif key == "MEMBER":
                if not structures:
                    raise ValueError("MEMBER before any STRUCT: " + line)
                count = int(words[4], 0) if len(words) > 4 else 0
                structures[-1][2].append((words[1], type_byte(words[2]), int(words[3], 0), count))
            elif key == "SYMBOL":
                first.append(parse_symbol(words, line))
            elif key == "SYMBOL2":
                second.append(parse_symbol(words, line))
            else:
                raise ValueError("unknown line: " + line)
    first.sort(key=lambda s: name_bytes(s["name"]))
    return modules, structures, first, second


def build(modules, structures, first, second):
    module_section = b"".join(module_record(n, name) for n, name in modules)
    structure_section = b""
    for name, size, members in structures:
        structure_section += structure_record(name, size)
        for member in members:
            structure_section += member_record(*member)
        structure_section += end_record(MEMBER_RECORD, 0)
    structure_section += end_record(STRUCTURE_RECORD, 0)
    symbol_section = b"".join(symbol_record(s) for s in first) + end_record(SYMBOL_RECORD, 4)
    symbol_section += b"".join(symbol_record(s) for s in second) + end_record(SYMBOL_RECORD, 4)

    module_offset = HEADER_SIZE
    structure_offset = module_offset + len(module_section)
    symbol_offset = structure_offset + len(structure_section)
    header = bytearray(HEADER_SIZE)
    put(header, 0, MAGIC)
    put(header, 24, struct.pack(">II", module_offset, len(module_section)))
    put(header, 64, struct.pack(">I", symbol_offset))
    put(header, 80, struct.pack(">I", structure_offset))
    return bytes(header) + module_section + structure_section + symbol_section


def main(argv):
    usage = __doc__ % {"prog": os.path.basename(argv[0])}
    if len(argv) == 2 and argv[1] in ("-h", "--help"):
        sys.stdout.write(usage)
        return 0
    if len(argv) != 3:
        sys.stderr.write(usage)
        return 2
    try:
        data = build(*read_description(argv[1]))
    except (ValueError, IndexError, OSError) as error:
        sys.stderr.write("%s: %s\n" % (os.path.basename(argv[0]), error))
        return 1
    with open(argv[2], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
