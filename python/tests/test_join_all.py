"""splicer.join_all: every touching group of a scene joined at once."""
import math

import numpy as np
import pytest

import splicer

CUBE_FACES = [[0, 4, 6, 2], [1, 3, 7, 5], [0, 1, 5, 4], [2, 6, 7, 3], [0, 2, 3, 1], [4, 5, 7, 6]]


def cube(x0, y0=0.0):
    return np.array([[x0 + (i & 1), y0 + ((i >> 1) & 1), (i >> 2) & 1] for i in range(8)], dtype=np.float32)


def scene_of(**cubes):
    scene = splicer.Scene()
    for name, at in cubes.items():
        scene.add(name, cube(*at), CUBE_FACES)
    return scene


def test_groups_are_joined_named_and_lone_objects_named_in_a_warning():
    scene = scene_of(A=(0,), Lone=(10,), C=(5,), B=(1,), D=(6,))
    with pytest.warns(UserWarning, match="1 object\\(s\\) touch nothing: 'Lone'"):
        joined = splicer.join_all(scene)
    assert [o.name for o in joined] == ["A+B", "C+D"]
    assert [len(o.vertices) for o in joined] == [12, 12]
    assert [len(o.faces) for o in joined] == [10, 10]
    assert [o.name for o in scene.objects] == ["A", "Lone", "C", "B", "D", "A+B", "C+D"]
    assert len(scene["A"].faces) == 6


def test_names_pick_the_objects_and_bad_arguments_add_nothing():
    scene = scene_of(A=(0,), B=(1,), C=(2,))
    [bc] = splicer.join_all(scene, names=["C", scene["B"]], accuracy=0.001)
    assert bc.name == "C+B"  # in the order named
    before = [o.name for o in scene.objects]
    with pytest.raises(ValueError, match="accuracy"):
        splicer.join_all(scene, accuracy=math.nan)
    with pytest.raises(ValueError, match="accuracy"):
        splicer.join_all(scene, accuracy=-0.5)
    with pytest.raises(ValueError, match="given twice"):
        splicer.join_all(scene, names=["A", "A"])
    with pytest.raises(TypeError):
        splicer.join_all(scene, names="A")
    with pytest.raises(KeyError):
        splicer.join_all(scene, names=["A", "Z"])
    assert [o.name for o in scene.objects] == before


def test_an_abort_from_progress_raises_and_leaves_the_scene_as_it_was():
    scene = scene_of(**{f"c{i}": (i,) for i in range(30)})
    stages = []

    def progress(stage, steps):
        stages.append((stage, steps))
        return False

    with pytest.raises(splicer.JoinError) as caught:
        splicer.join_all(scene, progress=progress)
    assert caught.value.code == -1100
    assert len(stages) == 1
    assert [o.name for o in scene.objects] == [f"c{i}" for i in range(30)]
