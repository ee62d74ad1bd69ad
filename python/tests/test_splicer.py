"""The Python module: scenes in and out, the join, its errors and progress."""
import json
import os
import subprocess
import tracemalloc
import warnings

import numpy as np
import pytest

import splicer
from shared import BOXES, CUBE_FACES, DATA, FIGURE, cube


@pytest.fixture
def boxes():
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        return splicer.Scene.load(BOXES)


def test_load_gives_named_objects_with_float32_arrays_and_materials(boxes):
    assert [o.name for o in boxes.objects] == ["Left", "Right"]
    left = boxes["Left"]
    assert left.vertices.dtype == np.float32 and left.vertices.shape == (8, 3)
    assert left.uvs.shape == (4, 2)
    arrays = left.face_arrays
    assert arrays["offsets"].tolist() == [0, 4, 8, 12, 16, 20, 24]
    assert [arrays["vertices"][a:b].tolist() for a, b in zip(arrays["offsets"][:-1], arrays["offsets"][1:])] == left.faces
    assert arrays["uvs"].min() >= 0
    assert [m.name for m in left.materials] == ["grey", "red"]
    assert arrays["materials"].tolist() == [0, 0, 1, 1, 1, 1]
    assert np.array_equal(boxes["Right"].vertices, left.vertices + np.float32([1, 0, 0]))


def test_add_accepts_every_face_form_and_round_trips_bit_for_bit(tmp_path):
    rng = np.random.default_rng(13)
    points = (rng.standard_normal((8, 3)) * 1e3).astype(np.float32)
    scene = splicer.Scene()
    scene.add("lists", points, CUBE_FACES)
    scene.add("pairs", points, (np.arange(0, 25, 4), np.array(CUBE_FACES).ravel()))
    tris = np.array([[f[0], f[1], f[2]] for f in CUBE_FACES] + [[f[0], f[2], f[3]] for f in CUBE_FACES])
    scene.add("grid", points, tris, uvs=points[:, :2],
              materials=[{"name": "red", "diffuse": (1, 0, 0)}, "plain"], face_materials=[0] * 6 + [1] * 6)
    assert [len(o.faces) for o in scene.objects] == [6, 6, 12]
    for name in ["s.glb", "s.gltf", "s.obj"]:
        scene.save(str(tmp_path / name))
        back = splicer.Scene.load(str(tmp_path / name))
        for old, new in zip(scene.objects, back.objects):
            assert new.name == old.name
            assert new.vertices.tobytes() == old.vertices.tobytes(), name
        grid = back["grid"]
        assert [m.name for m in grid.materials] == ["red", "plain"]
        assert grid.materials[0].diffuse == (1.0, 0.0, 0.0)
        assert np.array_equal(grid.uvs[grid.face_arrays["uvs"]], points[grid.face_arrays["vertices"], :2])
        del back  # frees the names for the next file


def test_bad_arrays_are_refused_and_add_nothing():
    scene = splicer.Scene()
    with pytest.raises(ValueError, match=r"\(n, 3\)"):
        scene.add("flat", np.zeros(9, np.float32), [[0, 1, 2]])
    with pytest.raises(ValueError, match="vertex index 8 is out of range"):
        scene.add("far", cube(), [[0, 1, 8]])
    with pytest.raises(ValueError, match="3 to 32767"):
        scene.add("line", cube(), [[0, 1]])
    with pytest.raises(ValueError, match="face_uvs"):
        scene.add("uv", cube(), CUBE_FACES, uvs=np.zeros((3, 2), np.float32))
    with pytest.raises(ValueError, match="material index 1"):
        scene.add("mat", cube(), CUBE_FACES, materials=["only"], face_materials=[1] * 6)
    assert len(scene) == 0
    scene.add("cube", cube(), CUBE_FACES)
    with pytest.raises(ValueError, match="a second object named 'cube'"):
        scene.add("cube", cube(), CUBE_FACES)
    assert len(scene) == 1


def test_file_errors_name_the_file(tmp_path):
    bad = tmp_path / "bad.glb"
    bad.write_bytes(b"glTF\x02\x00\x00\x00garbage")
    with pytest.raises(splicer.FileError, match=str(bad)):
        splicer.Scene.load(str(bad))
    with pytest.raises(OSError, match="unknown file type"):
        splicer.Scene().save(str(tmp_path / "x.fbx"))


def test_a_file_that_crashes_the_asset_library_is_refused_and_python_carries_on():
    crash = os.path.join(DATA, "formats", "crashes-reader.ply")
    with pytest.raises(splicer.FileError, match=r"the file could not be read \(the reader stopped on signal 11\)"):
        splicer.Scene.load(crash)
    assert len(splicer.Scene.load(FIGURE)) == 2


def test_join_returns_the_new_object_and_the_command_line_report(boxes, tmp_path):
    joined, report = splicer.join(boxes, "Left", "Right")
    assert joined.name == "Left+Right"
    assert [o.name for o in boxes.objects] == ["Left", "Right", "Left+Right"]
    assert joined.vertices.shape == (12, 3) and len(joined.faces) == 10
    assert report["error"] == 0 and report["join_ran"]
    assert report["counts"]["result"] == {"vertices": 12, "uvs": 8, "faces": 10}

    cli = os.environ.get("SPLICER_CLI")
    if not cli:
        pytest.skip("SPLICER_CLI not set")
    subprocess.run([cli, "join", BOXES, "Left", "Right", "-o", str(tmp_path / "j.obj"),
                    "--report", str(tmp_path / "r.json")], check=True, capture_output=True)
    expected = json.loads((tmp_path / "r.json").read_text())

    def shape(value):  # the fields without the times and the tool's exit status
        if isinstance(value, dict):
            return {k: shape(v) for k, v in value.items() if k not in ("seconds", "exit_status")}
        return value

    assert shape(report) == shape(expected)
    assert report["seconds"].keys() == expected["seconds"].keys()


def test_join_errors_carry_code_message_and_report(boxes):
    far = splicer.Scene()
    far.add("A", cube(), CUBE_FACES)
    far.add("B", cube(5), CUBE_FACES)
    far.add("Flat", cube()[:3], [[0, 1, 2]])
    with pytest.raises(splicer.JoinError) as caught:
        splicer.join(far, "A", "B")
    assert caught.value.code == -1006
    assert caught.value.message == "SPL : 06 - Faces (Junction) not found."
    assert caught.value.report["error"] == -1006
    with pytest.raises(splicer.JoinError) as caught:
        splicer.join(far, "Flat", "B", mode="face")
    assert caught.value.code == -1003
    with pytest.raises(KeyError, match="'A', 'B', 'Flat'"):
        splicer.join(far, "A", "Nobody")
    with pytest.raises(ValueError, match="another scene"):
        splicer.join(far, boxes["Left"], "B")
    assert len(far) == 3


def test_progress_sees_every_stage_and_false_aborts(boxes):
    calls = []
    splicer.join(boxes, "Left", "Right", progress=lambda stage, steps: calls.append((stage, steps)) or True)
    stages = [stage for stage, _ in calls]
    assert stages[0] == "Preparing..." and stages[-1] == "Finishing..."
    assert all(isinstance(steps, int) for _, steps in calls)
    assert calls[0][1] >= calls[-1][1]

    def stop_at_merge(stage, steps):
        return not stage.startswith("Merging")

    with pytest.raises(splicer.JoinError) as caught:
        splicer.join(boxes, "Left", "Right", progress=stop_at_merge)
    assert caught.value.code == -1100
    assert caught.value.message == "SPL : 11 - SPLICER-BOT operation aborted by user."
    assert len(boxes) == 3  # Left, Right and the first join's result only


def grid(n, x0):
    """A strip of 2n triangles in the plane x = x0, facing +x when turned."""
    points = np.array([[x0, i, k] for i in range(n + 1) for k in (0, 1)], dtype=np.float32)
    tris = [[2 * i, 2 * i + 2, 2 * i + 1] for i in range(n)] + [[2 * i + 1, 2 * i + 2, 2 * i + 3] for i in range(n)]
    return points, np.array(tris)


def test_progress_counts_past_32_bits_only_down_and_never_below_zero():
    # 2 x 50,000 faces: the estimate (about 50,000 * 50,000 = 2.5e9) is past
    # what 32 bits hold; the strips lie on each other turned, so one face
    # pair is found at once and most of the estimate is skipped.
    scene = splicer.Scene()
    a_points, a_tris = grid(25000, 0.0)
    scene.add("A", a_points, a_tris)
    scene.add("B", a_points, a_tris[:, ::-1])
    for mode in ("face", "contact"):
        steps = []
        with warnings.catch_warnings(record=True) as said:
            warnings.simplefilter("always")
            try:
                splicer.join(scene, "A", "B", mode=mode, progress=lambda stage, left: steps.append(left) or True)
            except splicer.JoinError:
                pass  # whether the join succeeds does not matter here
        assert not [w for w in said if "Steps To Go" in str(w.message)]
        # The plug-in's method estimates pairs of faces; the contact join less.
        assert (steps[0] > 2**31) == (mode == "face"), (mode, steps[0])
        assert all(later <= earlier for earlier, later in zip(steps, steps[1:])), mode
        assert min(steps) >= 0


def test_an_exception_in_progress_stops_the_join_and_comes_through(boxes):
    def fail(stage, steps):
        raise LookupError("stop here")

    with pytest.raises(LookupError, match="stop here"):
        splicer.join(boxes, "Left", "Right", progress=fail)

    def nested(stage, steps):
        splicer.join(boxes, "Left", "Right")
        return True

    with pytest.raises(RuntimeError, match="already running"):
        splicer.join(boxes, "Left", "Right", progress=nested)
    assert len(boxes) == 2
    splicer.join(boxes, "Left", "Right")  # the engine is ready again


def test_gltf_model_from_another_tool_joins_into_one(tmp_path):
    scene = splicer.Scene.load(FIGURE)
    assert [o.name for o in scene.objects] == ["Body", "Head"]
    assert scene["Head"].vertices[:, 1].min() == 1.0  # the node's translation, baked
    joined, report = splicer.join(scene, "Head", "Body")
    assert report["error"] == 0
    scene.save(str(tmp_path / "one.glb"), objects=[joined])
    back = splicer.Scene.load(str(tmp_path / "one.glb"))
    assert [o.name for o in back.objects] == ["Head+Body"]
    assert back.objects[0].vertices.shape == (12, 3)
    assert [m.name for m in back.objects[0].materials] == ["HeadPaint", "BodyPaint"]


def test_arrays_go_in_with_one_copy_and_come_out_as_views():
    n = 1 << 20
    vertices = np.random.default_rng(1).random((n, 3), dtype=np.float32)
    faces = np.arange(3 * (n // 3), dtype=np.int32).reshape(-1, 3)
    scene = splicer.Scene()
    tracemalloc.start()
    try:
        obj = scene.add("big", vertices, faces)
        _, peak_in = tracemalloc.get_traced_memory()
        tracemalloc.reset_peak()
        out = obj.vertices
        _, peak_out = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    # In: float32 and int32 arrays go straight to the host's one copy.
    assert peak_in < vertices.nbytes // 8
    # Out: a view of the host's array, nothing copied.
    assert peak_out < vertices.nbytes // 8
    assert out.tobytes() == vertices.tobytes()


def test_join_takes_the_whole_contact_unless_mode_face():
    # A cube against one split into two triangles per side: no corner pair
    # of faces matches the plug-in's way on the triangles, the contact join
    # drops both sides whole.
    scene = splicer.Scene()
    scene.add("A", cube(), CUBE_FACES)
    tris = [[f[0], f[1], f[2]] for f in CUBE_FACES] + [[f[0], f[2], f[3]] for f in CUBE_FACES]
    scene.add("B", cube(1), tris)
    joined, report = splicer.join(scene, "A", "B")
    assert joined.name == "A+B"
    group = report["contact"]["groups"][0]
    assert group["sealed"] and group["contacts"] == 2 and group["dropped_faces"] == [1, 2]
    assert report["seam"]["dropped_faces"] == [1, 2] and report["seam"]["welded_vertices"] == 4
    assert abs(group["volume"] - 2) < 1e-9 and abs(group["area"] - 10) < 1e-9
    assert len(joined.faces) == 5 + 10
    _, seam_report = splicer.join(scene, "A", "B", seam=True)
    assert seam_report["contact"]["groups"][0]["faces"] == 15
    swapped, swapped_report = splicer.join(scene, "B", "A")
    assert swapped.name == "B+A" and swapped_report["seam"]["dropped_faces"] == [2, 1]
    # The plug-in's method finds no single face pair; the hint says the contact joins.
    with warnings.catch_warnings(record=True) as said:
        warnings.simplefilter("always")
        with pytest.raises(splicer.JoinError) as caught:
            splicer.join(scene, "A", "B", mode="face")
    assert caught.value.code == -1006
    assert any("touch face to face" in str(w.message) for w in said), [str(w.message) for w in said]
    with pytest.raises(ValueError, match="mode must be"):
        splicer.join(scene, "A", "B", mode="seam")
    with pytest.raises(ValueError, match="does not go with"):
        splicer.join(scene, "A", "B", mode="face", seam=True)
