"""The module as Python users meet it: a mapping, errors with their fields,
checked input, normals, views, threads and Ctrl-C."""
import collections.abc
import errno
import inspect
import os
import signal
import stat
import threading
import time
import warnings

import numpy as np
import pytest

import splicer
from shared import BOXES, CUBE_FACES, FIGURE, cube


def test_a_scene_is_a_mapping_of_names_with_informative_reprs():
    scene = splicer.Scene.load(BOXES)
    assert isinstance(scene, collections.abc.Mapping)
    assert "Left" in scene and "left" not in scene and 3 not in scene
    assert list(scene) == ["Left", "Right"] == scene.keys()
    assert [name for name, _ in scene.items()] == ["Left", "Right"]
    assert [o.name for o in scene.values()] == ["Left", "Right"]
    assert scene.get("Nobody") is None and scene.get("Left").name == "Left"
    with pytest.raises(KeyError, match="'Left', 'Right'"):
        scene["Nobody"]
    assert repr(scene) == "<splicer.Scene: 2 objects ('Left', 'Right')>"
    assert repr(scene["Right"]) == "<splicer.SceneObject 'Right': 8 vertices, 6 faces>"
    assert repr(splicer.Scene()) == "<splicer.Scene: empty>"


def test_version_docstrings_and_signatures():
    assert splicer.__version__.count(".") == 2
    for thing in [splicer.join, splicer.Scene, splicer.Scene.load, splicer.Scene.save, splicer.Scene.add,
                  splicer.SceneObject, splicer.JoinError, splicer.FileError, splicer.Material]:
        assert thing.__doc__, thing
    assert "accuracy: float = 0.01" in splicer.join.__doc__
    assert "seam: bool = False" in splicer.join.__doc__
    for name, member in inspect.getmembers(splicer.SceneObject):
        if not name.startswith("_"):
            assert member.__doc__, name


def test_file_errors_are_oserrors_with_errno_and_filename(tmp_path):
    missing = str(tmp_path / "missing.obj")
    with pytest.raises(FileNotFoundError) as caught:
        splicer.Scene.load(missing)
    assert isinstance(caught.value, splicer.FileError)
    assert caught.value.errno == errno.ENOENT and caught.value.filename == missing
    assert missing in str(caught.value)
    with pytest.raises(splicer.FileError) as caught:
        splicer.Scene.load(str(tmp_path))
    assert caught.value.errno == errno.EISDIR and not isinstance(caught.value, FileNotFoundError)
    bad = tmp_path / "bad.obj"
    bad.write_bytes(b"f 1 2 3\n")
    with pytest.raises(splicer.FileError) as caught:
        splicer.Scene.load(str(bad))
    assert caught.value.errno is None and caught.value.filename == str(bad)
    scene = splicer.Scene.load(BOXES)
    with pytest.raises(FileNotFoundError) as caught:
        scene.save(str(tmp_path / "no" / "such" / "folder.obj"))
    assert caught.value.errno == errno.ENOENT
    if os.geteuid() != 0:
        locked = tmp_path / "locked"
        locked.mkdir()
        locked.chmod(stat.S_IRUSR | stat.S_IXUSR)
        with pytest.raises(splicer.FileError) as caught:
            scene.save(str(locked / "x.obj"))
        assert caught.value.errno == errno.EACCES


def test_coordinates_must_be_finite_and_accuracy_sound():
    scene = splicer.Scene()
    for bad in [np.nan, np.inf, -np.inf]:
        points = cube()
        points[5, 1] = bad
        with pytest.raises(ValueError, match="vertex 5 has a coordinate that is not finite"):
            scene.add("bad", points, CUBE_FACES)
    with pytest.raises(ValueError, match="UV 1"):
        scene.add("bad", cube(), CUBE_FACES, uvs=np.array([[0, 0], [np.nan, 0]] * 4, np.float32))
    with pytest.raises(ValueError, match="vertex 0"):
        with np.errstate(over="ignore"):
            scene.add("huge", np.full((8, 3), 1e300), CUBE_FACES)  # beyond float32: infinite
    assert len(scene) == 0
    scene.add("A", cube(), CUBE_FACES)
    scene.add("B", cube(1), [f[::-1] for f in CUBE_FACES])
    for accuracy in [float("nan"), float("inf"), -0.01, 1e12]:
        with pytest.raises(ValueError, match="accuracy"):
            splicer.join(scene, "A", "B", accuracy=accuracy)
    assert len(scene) == 2


def test_names_with_control_characters_are_refused(tmp_path):
    scene = splicer.Scene()
    for name in ["two\nlines", "tab\there", "cr\r", "nul\0", "c1\x85", "", "x" * 256]:
        with pytest.raises(ValueError):
            scene.add(name, cube(), CUBE_FACES)
        with pytest.raises(ValueError):
            scene.add("ok", cube(), CUBE_FACES, materials=[name])
    with pytest.raises(ValueError, match="texture"):
        scene.add("ok", cube(), CUBE_FACES, materials=[splicer.Material("m", texture="a\nmap_Kd b.png")])
    obj = scene.add("ok", cube(), CUBE_FACES, materials=[splicer.Material("steel blue", diffuse=(0.2, 0.3, 0.9))])
    with pytest.raises(ValueError):
        obj.name = "o\nv 1 2 3"
    scene.add("other", cube(3), CUBE_FACES)
    with pytest.raises(ValueError, match="already has an object named 'other'"):
        obj.name = "other"
    obj.name = "renamed ok"
    scene.save(str(tmp_path / "names.obj"))
    back = splicer.Scene.load(str(tmp_path / "names.obj"))
    assert list(back) == ["renamed ok", "other"]
    assert back["renamed ok"].materials == [splicer.Material("steel blue", diffuse=(0.2, 0.3, 0.9))]


@pytest.mark.parametrize("faces, error", [
    ([[0, 1, 2 ** 32 + 2]], ValueError),          # would wrap to 2
    ([[0, 1, -(2 ** 32) + 2]], ValueError),
    (np.array([[0, 1, 2 ** 32 + 2]], np.int64), ValueError),
    (np.array([[0, 1, 2 ** 63]], np.uint64), ValueError),
    ([[0, 1, 2.0]], TypeError),
    ([[0, 1, np.float32(2)]], TypeError),
    (np.array([[0, 1, 2]], np.float64), TypeError),
    ([[0, 1, True]], TypeError),
    ([[0, 1, np.True_]], TypeError),
    (np.array([[True, False, True]]), TypeError),
    ([["0", "1", "2"]], TypeError),
])
def test_indices_must_be_integers_that_fit(faces, error):
    scene = splicer.Scene()
    with pytest.raises(error):
        scene.add("bad", cube(), faces)
    assert len(scene) == 0
    flat = np.asarray(faces).ravel() if isinstance(faces, np.ndarray) else faces[0]
    with pytest.raises(error):
        scene.add("bad", cube(), CUBE_FACES, materials=["a", "b"], face_materials=list(flat) * 2)
    # NumPy integers and int64 arrays in range are fine.
    scene.add("good", cube(), np.array([[np.int64(0), 1, 2]], np.int64))
    scene.add("good2", cube(), [[np.uint8(0), np.int16(1), 2]])


def test_progress_answers_must_be_boolean_like():
    scene = splicer.Scene.load(BOXES)
    for answer in [False, 0, None, np.False_, np.int32(0)]:
        with pytest.raises(splicer.JoinError) as caught:
            splicer.join(scene, "Left", "Right", progress=lambda stage, steps: answer)
        assert caught.value.code == -1100, answer
    for answer in [True, 1, np.True_]:
        joined, _ = splicer.join(scene, "Left", "Right", progress=lambda stage, steps: answer)
        assert len(joined.faces) == 10
    for answer in ["no", [], 0.0]:
        with pytest.raises(TypeError, match="progress must return True"):
            splicer.join(scene, "Left", "Right", progress=lambda stage, steps: answer)
    with pytest.raises(TypeError):
        splicer.join(scene, "Left", "Right", progress=42)
    assert len(scene) == 5


def test_normals_go_in_and_come_out_per_corner(tmp_path):
    corners = sum(len(f) for f in CUBE_FACES)
    normals = np.full((corners, 3), np.nan, np.float32)
    normals[:4] = [-1, 0, 0]        # face 0 has them, the others do not
    normals[4:8] = [1, 0, 0]
    normals[5] = np.nan            # one corner of face 1 without
    scene = splicer.Scene()
    obj = scene.add("cube", cube(), CUBE_FACES, normals=normals)
    assert np.array_equal(obj.normals, normals, equal_nan=True)
    with pytest.raises(ValueError, match="one row per corner"):
        scene.add("short", cube(), CUBE_FACES, normals=normals[:-1])
    half = normals.copy()
    half[9, 0] = 1.0               # a row partly NaN is neither a normal nor none
    with pytest.raises(ValueError, match="corner 9"):
        scene.add("half", cube(), CUBE_FACES, normals=half)
    scene.save(str(tmp_path / "n.obj"))
    back = splicer.Scene.load(str(tmp_path / "n.obj"))["cube"]
    assert np.array_equal(back.normals, normals, equal_nan=True)
    assert np.isnan(splicer.Scene.load(BOXES)["Left"].normals).all()


def test_views_are_read_only_and_keep_the_scene_alive():
    scene = splicer.Scene.load(BOXES)
    vertices = scene["Right"].vertices
    uvs = scene["Right"].uvs
    expected = vertices.copy()
    with pytest.raises(ValueError):
        vertices[0, 0] = 5
    del scene
    filler = splicer.Scene()  # would reuse freed memory
    for i in range(20):
        filler.add(f"c{i}", cube(100 + i), CUBE_FACES)
    assert np.array_equal(vertices, expected) and uvs.shape == (4, 2)


def test_two_joins_on_two_threads_both_come_out_right():
    def pairs():
        return [(splicer.Scene.load(BOXES), "Left", "Right"), (splicer.Scene.load(FIGURE), "Head", "Body")]

    expected = [splicer.join(*pair)[0] for pair in pairs()]
    jobs = pairs()
    results = [None, None]

    def run(i):
        results[i] = splicer.join(*jobs[i])

    threads = [threading.Thread(target=run, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for (joined, report), alone, (scene, first, second) in zip(results, expected, jobs):
        assert report["error"] == 0
        assert joined.name == f"{first}+{second}" and list(scene)[-1] == joined.name
        assert joined.vertices.tobytes() == alone.vertices.tobytes()
        assert joined.faces == alone.faces and joined.materials == alone.materials
    assert results[0][0].faces != results[1][0].faces


def test_ctrl_c_stops_a_slow_reader_within_a_second(tmp_path, monkeypatch):
    slow = tmp_path / "slow-reader"
    slow.write_text("#!/bin/sh\nexec sleep 30\n")
    slow.chmod(0o755)
    monkeypatch.setenv("SPLICER_ASSET_READER", str(slow))
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    # Run in the background, a test run may start with Ctrl-C ignored;
    # Python's own handler is what a user at a terminal has.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(0.3, interrupt)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            splicer.Scene.load(FIGURE)
    finally:
        signal.signal(signal.SIGINT, previous)
    # Checked every 0.1 s; a loaded machine may take longer to switch.
    assert time.monotonic() - sent[0] < 1.0
    timer.join()
    monkeypatch.delenv("SPLICER_ASSET_READER")
    assert len(splicer.Scene.load(FIGURE)) == 2


def test_warnings_have_the_module_s_categories():
    assert issubclass(splicer.SeamWarning, UserWarning)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        splicer._types.warn("seam left open", splicer.SeamWarning, stacklevel=2)
    assert caught[0].category is splicer.SeamWarning and caught[0].filename == __file__


def test_the_module_under_test_is_the_installed_one():
    where = os.environ.get("SPLICER_EXPECT_IN")
    if not where:
        pytest.skip("run on the build folder")
    assert os.path.realpath(splicer.__file__).startswith(os.path.realpath(where) + os.sep)
    assert os.path.realpath(splicer._splicer.__file__).startswith(os.path.realpath(where) + os.sep)
