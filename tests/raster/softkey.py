# A raster softkey's picture as its data lays it out (the bytes srec_cat
# reads from the record file, on standard input), written as a PBM 80
# pixels wide: each row is the row's 6 bytes of block 1 (from offset 26)
# and its 4 bytes of block 2 (from offset 318), top row first; pixels 77 to
# 79 are the bits the row's last byte has left over.
import sys

d = sys.stdin.buffer.read()
sys.stdout.buffer.write(b"P4\n80 48\n" + b"".join(d[26 + 6 * r:32 + 6 * r] + d[318 + 4 * r:322 + 4 * r] for r in range(48)))
