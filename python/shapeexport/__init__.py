"""The ShapeExport library from Python: cross-section sets (read, decomposed into
convex pieces, blended, drawn), extrusion and end-plane documents, and the mesh weld,
with NumPy arrays in and out.

    import shapeexport as se
    s = se.CrossSections.read("set.json")
    pieces = s.items[0].convex_loops()   # int64 arrays (k, 2): position index, exterior flag
"""
from ._shapeexport import (
    CrossSection,
    CrossSections,
    __version__,
    read_end_plane,
    read_extrusion,
    weld,
)

__all__ = ["CrossSection", "CrossSections", "read_end_plane", "read_extrusion", "weld", "__version__"]
