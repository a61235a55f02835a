#!/usr/bin/env python3
# Writes with ezdxf into the directory named by its argument the drawings of
# tests/dxf/projects.case, tests/preview/pictures.case and the fuzz corpus:
# r12.dxf   R12: every entity type a softkey shows and an INSERT of a block
#           MARK (a plain line and a circle on layer L3).
# r2000.dxf R2000: an LWPOLYLINE on layer 4, a LINE and a HATCH.
# r2000_extra.dxf r2000.dxf with an ELLIPSE, which softkeys cannot show.
# nested.dxf R2000: blocks written before the blocks they insert: FRAME
#           inserts KNOB twice, KNOB inserts DOT on layer 2, DOT holds a circle.
import os
import sys

import ezdxf

at = lambda name: os.path.join(sys.argv[1], name)

doc = ezdxf.new("R12")
doc.layers.add("L3")
mark = doc.blocks.new(name="MARK")
mark.add_line((0, 0), (23, 11.5))
mark.add_circle((11.5, 5.75), 2.3, dxfattribs={"layer": "L3"})
msp = doc.modelspace()
msp.add_line((0, 0), (10, 10))
msp.add_circle((12, 5), 5)
msp.add_arc((10, 12), 5, 260, 60)
msp.add_text("OK", dxfattribs={"height": 7.2, "insert": (1, 2)})
msp.add_solid([(0, 0), (10, 0), (0, 10), (10, 10)])
msp.add_point((3, 4))
msp.add_polyline2d([(0, 0), (10, 0), (10, 10)], close=True)
msp.add_blockref("MARK", (50, 50))
doc.saveas(at("r12.dxf"))

for name, extra in (("r2000.dxf", False), ("r2000_extra.dxf", True)):
    doc = ezdxf.new("R2000")
    doc.layers.add("4")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (5, 5), (10, 0)], dxfattribs={"layer": "4"})
    msp.add_line((0, 0), (23, 11.5))
    msp.add_hatch(color=2).paths.add_polyline_path([(0, 0), (1, 0), (1, 1)], is_closed=True)
    if extra:
        msp.add_ellipse((5, 5), major_axis=(3, 0), ratio=0.5)
    doc.saveas(at(name))

doc = ezdxf.new("R2000")
doc.layers.add("2")
frame, knob, dot = (doc.blocks.new(name=n) for n in ("FRAME", "KNOB", "DOT"))
frame.add_line((0, 0), (27, 0))
frame.add_blockref("KNOB", (5, 5))
frame.add_blockref("KNOB", (15, 5))
knob.add_blockref("DOT", (1, 1), dxfattribs={"layer": "2"})
knob.add_point((1, 2))
dot.add_circle((2, 2), 1)
doc.modelspace().add_blockref("FRAME", (0, 0))
doc.modelspace().add_blockref("DOT", (20, 10))
doc.saveas(at("nested.dxf"))
