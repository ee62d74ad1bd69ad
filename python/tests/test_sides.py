"""What a join says of each side, on two objects that differ in every count:
a swap of the sides, or of UVs for vertices, shows."""
import numpy as np
import pytest

import splicer
from shared import CUBE_FACES, cube

# A long box [1, 3] x [0, 1] x [0, 1] of triangles, its face at x = 1 a quad.
LONG_POINTS = np.array([[1, 0, 0], [3, 0, 0], [3, 1, 0], [1, 1, 0], [1, 0, 1], [3, 0, 1], [3, 1, 1], [1, 1, 1]],
                       np.float32)
LONG_FACES = [[0, 3, 2], [0, 2, 1], [4, 5, 6], [4, 6, 7], [0, 1, 5], [0, 5, 4], [1, 2, 6], [1, 6, 5], [2, 3, 7],
              [2, 7, 6], [3, 0, 4, 7]]


def two_sides():
    scene = splicer.Scene()
    # Five UVs for the cube's 24 corners, none at its vertex's number.
    uvs = np.array([[0.1, 0.2], [0.3, 0.4], [0.5, 0.6], [0.7, 0.8], [0.9, 1.0]], np.float32)
    face_uvs = [(v + 3) % 5 for face in CUBE_FACES for v in face]
    scene.add("Small", cube(), CUBE_FACES, uvs=uvs, face_uvs=face_uvs,
              materials=[splicer.Material("red", diffuse=(1, 0, 0))])
    scene.add("Long", LONG_POINTS, LONG_FACES,
              materials=[splicer.Material("blue", diffuse=(0, 0, 1)), splicer.Material("green", diffuse=(0, 1, 0))],
              face_materials=[i % 2 for i in range(len(LONG_FACES))])
    return scene, uvs


@pytest.mark.parametrize("mode", ["contact", "face"])
def test_counts_uvs_and_materials_follow_the_sides_given(mode):
    scene, uvs = two_sides()
    for first, second in (("Small", "Long"), ("Long", "Small")):
        joined, report = splicer.join(scene, first, second, mode=mode)
        assert joined.name == f"{first}+{second}"
        sizes = {"Small": (8, 6, 5), "Long": (8, 11, 0)}
        for side, name in (("first", first), ("second", second)):
            counts = report["counts"][side]
            assert (counts["vertices"], counts["faces"], counts["uvs"]) == sizes[name], (side, name, counts)
        assert len(joined.vertices) == 12 and len(joined.faces) == 15
        # Every face keeps its own material: 5 of the cube's, and of the long
        # box's all but its blue quad at the contact.
        arrays = joined.face_arrays
        names = [joined.materials[m].name for m in arrays["materials"]]
        assert sorted(names) == ["blue"] * 5 + ["green"] * 5 + ["red"] * 5, names
        # The cube's corners keep their UVs, by position, not by number.
        small = scene["Small"]
        where = {tuple(p): i for i, p in enumerate(small.vertices)}
        offsets, corners, corner_uvs = arrays["offsets"], arrays["vertices"], arrays["uvs"]
        for f, name in enumerate(names):
            span = range(offsets[f], offsets[f + 1])
            if name != "red":
                assert all(corner_uvs[k] == -1 for k in span)
                continue
            got = [tuple(joined.uvs[corner_uvs[k]]) for k in span]
            from_small = [where[tuple(joined.vertices[corners[k]])] for k in span]
            want = [tuple(uvs[(v + 3) % 5]) for v in from_small]
            assert got == want, (f, got, want)


def test_an_unknown_name_is_refused_naming_what_there_is_and_adds_nothing():
    scene, _ = two_sides()
    for first, second in (("Small", "Lnog"), ("Smal", "Long")):
        with pytest.raises(KeyError) as caught:
            splicer.join(scene, first, second)
        wrong = second if first in scene else first
        assert wrong in str(caught.value) and "'Small'" in str(caught.value) and "'Long'" in str(caught.value)
    assert list(scene) == ["Small", "Long"]
