"""The module against the golden data of tests/data, the command-line tool (SHAPEEXPORT_TOOL) and NumPy."""
import gc, json, os, pathlib, subprocess

import numpy as np
import pytest

import shapeexport as se

DATA = pathlib.Path(__file__).resolve().parents[2] / "tests" / "data" / "cross_sections"
DECOMPOSITION = [c for c in json.loads((DATA / "decomposition.json").read_text()) if "convex" in c]
DOCUMENTS = [c for c in json.loads((DATA / "documents.json").read_text())
             if "reads" not in c and "before" not in c and not isinstance(c.get("factor"), str)]  # no NaN factor
HOLE = next(c for c in DECOMPOSITION if c["name"].startswith("square with a hole:"))
SQUARE, TOOL, INF = '{"Outlines": [[[0,0],[4,0],[4,4],[0,4]]]}', os.environ.get("SHAPEEXPORT_TOOL"), float("inf")
named = lambda cases: [pytest.param(c, id=c["name"][:48]) for c in cases]
text = lambda loop: " ".join(str(i) + ("" if flag else "'") for i, flag in loop)  # "8 4' 5": ' marks a cut
area = lambda p: 0.5 * np.sum(p[:, 0] * np.roll(p[:, 1], -1) - np.roll(p[:, 0], -1) * p[:, 1])
areas = lambda s: [area(s.positions[loop[:, 0]]) for loop in s.items[0].convex_loops()]  # of item 0's pieces
tool = lambda *args: subprocess.run([TOOL, *args], capture_output=True, text=True)  # the command-line tool
loops = lambda **options: se.CrossSections.loads(SQUARE).items[0].convex_loops(**options)  # the square's pieces
QUAD = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 0, 0], [1, 1, 0], [0, 1, 0]], float)
LIFTED, TWO = lambda dz: QUAD + np.outer(np.arange(6) < 3, [0, 0, dz]), [[0, 1, 2], [3, 4, 5]]


def document(case, items=1):  # a decomposition case as a cross-section document (hole lists stored reversed)
    rings = [[[*map(int, case["outline"].split())], True], *[[[*map(int, h.split())][::-1], False] for h in case["holes"]]]
    return json.dumps({"Outlines": [case["points"], [rings] * items]})


@pytest.mark.filterwarnings("ignore:<string>.* cross sections dropped")
@pytest.mark.parametrize("case", named(c for c in DOCUMENTS if c["items"] and "\0" not in c["text"]))
def test_golden_documents(case):
    s = se.CrossSections.loads(case["text"], factor=case.get("factor", 1.0))
    assert [" | ".join(text(l) for l in [i.exterior, *i.interiors]) for i in s.items] == case["items"]
    np.testing.assert_array_equal(s.positions, np.array(case.get("points", s.positions), float).reshape(-1, 2))
    assert (s.bbox, s.to_json()) == (tuple(np.ravel(case.get("box", s.bbox))), case.get("written", s.to_json()))
    assert "dump" not in case or s.dumps(case.get("prefix", "")) == "".join(line + "\n" for line in case["dump"])


@pytest.mark.filterwarnings("ignore:.*run the wrong way")
@pytest.mark.parametrize("case", named(DECOMPOSITION))
def test_golden_decomposition_as_the_tool_writes_it(case, tmp_path):
    (path := tmp_path / "set.json").write_text(document(case, items=2))
    s, n, k = se.CrossSections.read(str(path)), len(case["points"]), len(case["added"])
    assert [text(s.items[0].exterior), *map(text, s.items[0].convex_loops())] == [case["outline"], *case["convex"]]
    assert (s.positions[n:n + k].tolist(), sorted(s.items[0].added)) == (case["added"], list(range(n, n + k)))
    if TOOL:  # the set as `shapeexport dump` and `shapeexport decompose --svg` write it
        assert se.CrossSections.read(str(path)).dumps() == tool("dump", str(path)).stdout
        assert s.decomposition() == json.loads(tool("decompose", str(path), "--svg", str(tmp_path / "set.svg")).stdout)
        assert s._repr_svg_() == (tmp_path / "set.svg").read_text()


@pytest.mark.parametrize("make, error", [
    (lambda p: None, FileNotFoundError), (lambda p: p.mkdir(), IsADirectoryError), (lambda p: p.write_text(""), ValueError),
    (lambda p: p.write_text("[1]"), ValueError), (lambda p: p.write_text('{"a": 1}'), ValueError),
    (lambda p: p.write_text("{\0}"), ValueError)])
def test_read_errors_say_what_the_tool_says(make, error, tmp_path):
    make(path := tmp_path / "in.json")
    message = str(pytest.raises(error, se.CrossSections.read, path).value)
    assert str(path) in message and (not TOOL or tool("dump", str(path)).stderr == f"shapeexport: {message}\n")


@pytest.mark.parametrize("call, error", [
    (lambda: se.weld(np.zeros((2, 2)), np.zeros((1, 3), int)), TypeError), (lambda: loops(slop=-1), ValueError),
    (lambda: se.weld(np.zeros((3, 3)), np.zeros((1, 3))), TypeError), (lambda: se.read_end_plane("{"), ValueError),
    (lambda: se.weld(np.zeros((3, 3), bool), [[0, 1, 2]]), TypeError), (lambda: se.read_extrusion("[1]"), ValueError),
    (lambda: se.weld(np.zeros((3, 3)), [[0, 1, 3]]), ValueError), (lambda: loops(slop=INF), ValueError),
    (lambda: se.CrossSections(np.zeros((4, 3))), TypeError), (lambda: se.CrossSections.loads("[" * 100000), ValueError),
    (lambda: se.CrossSections.loads(SQUARE, factor=0), ValueError), (lambda: loops(max_vertices=-1), ValueError),
    (lambda: se.CrossSections.blend(se.CrossSections(), se.CrossSections(), float("nan")), ValueError),
    (lambda: loops(max_vertices=2), ValueError), *[(lambda doc=c["text"]: se.CrossSections.loads(doc), ValueError)
      for c in DOCUMENTS if not c["items"] or "\0" in c["text"]]])  # documents the tool refuses too
def test_bad_input_raises(call, error):
    pytest.raises(error, call)


def test_the_smallest_bound_is_taken():  # the square halved into two triangles
    assert [len(piece) for piece in loops(max_vertices=3)] == [3, 3]


@pytest.mark.parametrize("t, threads", [(0.0, 0), (0.25, 1), (2.5, 3)])
def test_blend_decompose_all_reset_normalize_and_lifetime(t, threads):
    a, b, n = se.CrossSections.loads(document(HOLE)), se.CrossSections.loads(document(HOLE), 3.0), len(HOLE["points"])
    np.testing.assert_allclose(se.CrossSections.blend(a, b, t).positions[:n], (1 - t) * a.positions[:n] + t * b.positions[:n])
    with pytest.warns(UserWarning, match="not compatible"):
        np.testing.assert_array_equal(se.CrossSections.blend(a, se.CrossSections.loads(SQUARE), t).positions, a.positions)
    shifted = document(dict(HOLE, points=(np.array(HOLE["points"]) + [0, 5]).tolist()), items=3)
    s, item = se.CrossSections.loads(shifted), se.CrossSections.loads(shifted).items[0]
    s.decompose_all(threads)
    gc.collect()  # the item's set lives on in the item
    assert s.decomposition() == item.set.decomposition() and [text(l) for l in item.convex_loops()] == HOLE["convex"]
    s.reset_convex_loops()
    assert len(s.positions) == len(HOLE["points"]) and not s.items[2].added.size
    s.normalize_vertical()
    assert s.positions[:, 1].min() == 0 and s.bbox[1] == 0
    assert text(se.CrossSections(s.positions[:4]).items[0].exterior) == HOLE["outline"]


@pytest.mark.parametrize("vertices, faces, kept", [
    (QUAD, TWO, 4), (np.asfortranarray(QUAD), TWO, 4), (QUAD[::-1], TWO, 4), (QUAD.astype(np.float32), TWO, 4),
    (LIFTED(5e-5), TWO, 4), (LIFTED(2e-4), TWO, 6), (QUAD, [[0, 1, 2]], 3), (np.zeros((0, 3)), np.zeros((0, 3), np.int32), 0)])
def test_weld(vertices, faces, kept):
    positions, welded = se.weld(vertices, faces)
    assert positions.shape == (kept, 3) and welded.shape == np.shape(faces)
    np.testing.assert_allclose(positions[welded], np.asarray(vertices)[np.asarray(faces)], atol=1e-4)


@pytest.mark.parametrize("read, doc, expected", [
    (se.read_extrusion, '{"Sections": [{"Profiles": [{"Points": [[1, 2, 3], [4, 5]]}]}, {"Exterior": 1}]}',
     {"sections": [{"exterior": True, "profiles": [[[1, 2, 3], [4, 5, INF]]]}, {"exterior": False, "profiles": []}]}),
    (se.read_end_plane, "{}", {"start": True, "origin": [INF] * 3, "normal": [INF] * 3, "skew": 0}),
    (se.read_end_plane, '{"Start": false, "Origin": [1, 2, 3], "Normal": [0, 1], "Skew": 0.5}',
     {"start": False, "origin": [1, 2, 3], "normal": [0, 1, INF], "skew": 0.5})])
def test_read_extrusion_and_end_plane(read, doc, expected):
    assert json.loads(json.dumps(read(doc), default=np.ndarray.tolist)) == expected


@pytest.mark.parametrize("fix", [False, True])
def test_orientation_warned_or_fixed_in_documents_and_arrays(fix, recwarn):
    outline, hole = [[0, 0], [10, 0], [10, 10], [0, 10]], [[3, 3], [3, 6], [6, 6], [6, 3]]  # as the pieces need them
    wrong = dict(points=outline + hole, outline="0 1 2 3", holes=["7 6 5 4"])  # the hole counter-clockwise: the wrong way
    s = se.CrossSections.loads(document(wrong), fix_orientation=fix)
    assert [str(w.message) for w in recwarn] == ([] if fix else ["<string>: 1 loop runs the wrong way (item 0 hole 0): a "
        "document lists outlines and holes counter-clockwise (x right, y up; hole index lists are stored in reverse), "
        "otherwise the pieces cover the holes or run clockwise; fix_orientation=True reverses them"])
    assert sum(areas(s)) == (91 if fix else 109)
    kept = {} if fix else {"fix_orientation": False}  # from arrays: fixed by default
    for o, h in [(outline, hole), (outline[::-1], hole[::-1])]:  # in either orientation
        s = se.CrossSections.from_arrays(np.array(o, float), [np.array(h, float)], **kept)
        assert np.array_equal(s.positions, np.array(o + h, float))
        assert not fix or (sum(areas(s)) == 91 and min(areas(s)) > 0)


@pytest.mark.parametrize("golden, options", [("decompose", {}), ("decompose_merged", dict(merge=True, clean=True, max_vertices=4)),
                                             ("decompose_slop", dict(merge=True, max_vertices=8, slop=1.0))])
def test_pieces_are_those_the_tool_gives(golden, options):
    expected = json.loads((DATA.parent / "tools" / "expected" / f"{golden}.json").read_text())
    with pytest.warns(UserWarning, match="dropped"):
        s = se.CrossSections.read(str(DATA.parent / "tools" / "set.json"))
    assert [[l.tolist() for l in i.convex_loops(**options)] for i in s.items] == [i["convex"] for i in expected["items"]]
    flat = [i.convex_loop_array(**options) for i in s.items]  # (rows, starts): the same pieces, in one array
    assert [[rows[a:b].tolist() for a, b in zip(starts, starts[1:])] for rows, starts in flat] == [i["convex"] for i in expected["items"]]
