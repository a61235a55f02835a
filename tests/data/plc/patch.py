"""Changes a PLC project information file for the PLC cases.

    python3 patch.py IN OUT EDIT...

Edits, applied in order:
    N=X         byte N becomes X (a character, or 0xNN)
    beN=V       the big-endian 32-bit header number at N becomes V
                (decimal or 0x...; "size" and "size-K" stand for the file size)
    cut=K       drops the last K bytes
    keep=K      keeps the first K bytes
    swap=I,J    swaps symbol records I and J of the first list (216 bytes
                each, no structure type records between them)
    structs-last=K  moves the structure section behind the symbol section
                and drops its last K bytes (its end records)
"""
import struct
import sys


def be(data, at):
    return struct.unpack(">I", data[at:at + 4])[0]


def value(text, data):
    if text.startswith("size"):
        return len(data) + int(text[4:] or "0")
    return int(text, 0)


def main(argv):
    data = bytearray(open(argv[1], "rb").read())
    for edit in argv[3:]:
        key, _, arg = edit.partition("=")
        if key == "cut":
            del data[len(data) - int(arg):]
        elif key == "keep":
            del data[int(arg):]
        elif key.startswith("be"):
            data[int(key[2:]):int(key[2:]) + 4] = struct.pack(">I", value(arg, data) & 0xFFFFFFFF)
        elif key == "swap":
            first = be(data, 64)
            i, j = (first + 216 * int(n) for n in arg.split(","))
            data[i:i + 216], data[j:j + 216] = data[j:j + 216], data[i:i + 216]
        elif key == "structs-last":
            structures, symbols = be(data, 80), be(data, 64)
            section = data[structures:symbols]
            data = data[:structures] + data[symbols:] + section[:len(section) - int(arg)]
            data[64:68] = struct.pack(">I", structures)
            data[80:84] = struct.pack(">I", len(data) - len(section) + int(arg))
        else:
            data[int(key)] = int(arg, 0) if arg.startswith("0x") else ord(arg)
    open(argv[2], "wb").write(bytes(data))


if __name__ == "__main__":
    main(sys.argv)
