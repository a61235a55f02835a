#!/usr/bin/env python3
"""Writes the DXF drawings of the end-to-end vector tests with ezdxf.

usage: make_drawings.py <directory>

r12.dxf          R12: LINE, CIRCLE, ARC, TEXT, SOLID, POINT, closed POLYLINE
                 and an INSERT of a block holding a plain line and a circle
                 on layer L3.
r2000.dxf        R2000: an LWPOLYLINE on layer 4, a LINE and a HATCH.
r2000_extra.dxf  r2000.dxf with an ELLIPSE, which softkeys cannot show.
nested.dxf       R2000: blocks made (and so written) before the blocks they
                 insert: FRAME inserts KNOB twice, KNOB inserts DOT on layer
                 2, DOT holds a circle; the model space inserts FRAME and DOT.
"""
import os
import sys

import ezdxf


def r12(path):
    doc = ezdxf.new("R12")
    doc.layers.add("L3")
    block = doc.blocks.new(name="MARK")
    block.add_line((0, 0), (23, 11.5))
    block.add_circle((11.5, 11.5), 2.3, dxfattribs={"layer": "L3"})
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 10))
    msp.add_circle((10, 10), 5)
    msp.add_arc((10, 10), 5, 90, 180)
    msp.add_text("OK", dxfattribs={"height": 7.2, "insert": (1, 2)})
    msp.add_solid([(0, 0), (10, 0), (0, 10), (10, 10)])
    msp.add_point((3, 4))
    msp.add_polyline2d([(0, 0), (10, 0), (10, 10)], close=True)
    msp.add_blockref("MARK", (50, 50))
    doc.saveas(path)


def r2000(path, extra):
    doc = ezdxf.new("R2000")
    doc.layers.add("4")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (5, 5), (10, 0)], dxfattribs={"layer": "4"})
    msp.add_line((0, 0), (23, 11.5))
    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
    if extra:
        msp.add_ellipse((5, 5), major_axis=(3, 0), ratio=0.5)
    doc.saveas(path)


def nested(path):
    doc = ezdxf.new("R2000")
    doc.layers.add("2")
    frame = doc.blocks.new(name="FRAME")
    knob = doc.blocks.new(name="KNOB")
    dot = doc.blocks.new(name="DOT")
    frame.add_line((0, 0), (27, 0))
    frame.add_blockref("KNOB", (5, 5))
    frame.add_blockref("KNOB", (15, 5))
    knob.add_blockref("DOT", (1, 1), dxfattribs={"layer": "2"})
    knob.add_point((1, 2))
    dot.add_circle((2, 2), 1)
    msp = doc.modelspace()
    msp.add_blockref("FRAME", (0, 0))
    msp.add_blockref("DOT", (20, 10))
    doc.saveas(path)


def main():
    directory = sys.argv[1]
    r12(os.path.join(directory, "r12.dxf"))
    r2000(os.path.join(directory, "r2000.dxf"), False)
    r2000(os.path.join(directory, "r2000_extra.dxf"), True)
    nested(os.path.join(directory, "nested.dxf"))


if __name__ == "__main__":
    main()
