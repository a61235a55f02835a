#!/usr/bin/env python3
"""Writes nested.dxf with ezdxf: a block OUTER (a line, a circle on layer L2
and a call of INNER), a block INNER (an arc), and in the entities two calls
of OUTER, one of INNER, a line and a text.

usage: nested_blocks.py <directory>
"""
import os
import sys

import ezdxf

doc = ezdxf.new("R12")
doc.layers.add("L2")
inner = doc.blocks.new(name="INNER")
inner.add_arc((20, 8), 3, 0, 90)
outer = doc.blocks.new(name="OUTER")
outer.add_line((1, 1), (9, 1))
outer.add_circle((5, 9), 2, dxfattribs={"layer": "L2"})
outer.add_blockref("INNER", (0, 0))
msp = doc.modelspace()
msp.add_blockref("OUTER", (0, 0))
msp.add_line((0, 15), (27, 15))
msp.add_blockref("INNER", (0, 0))
msp.add_text("AB", dxfattribs={"height": 3, "insert": (2, 12)})
msp.add_blockref("OUTER", (0, 0))
doc.saveas(os.path.join(sys.argv[1], "nested.dxf"))
