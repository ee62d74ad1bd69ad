"""Scenes are apart: what a progress callback, or another thread while it
runs, does to other scenes never changes what a join returns."""
import threading
import time

import splicer
from shared import BOXES, CUBE_FACES, cube


def expect_the_real_result(scene, joined, report):
    assert joined.name == "Left+Right"
    assert joined.vertices.shape == (12, 3) and len(joined.faces) == 10
    assert report["counts"]["result"] == {"vertices": 12, "uvs": 8, "faces": 10}
    assert [o.name for o in scene.objects] == ["Left", "Right", "Left+Right"]


def test_a_callback_that_adds_and_loads_elsewhere_does_not_change_the_result():
    scene = splicer.Scene.load(BOXES)
    others = []

    def progress(stage, steps):
        other = splicer.Scene.load(BOXES)         # same names, another scene
        other.add("Left+Right", cube(5), CUBE_FACES)  # the result's own name
        others.append(other)
        return True

    joined, report = splicer.join(scene, "Left", "Right", progress=progress)
    expect_the_real_result(scene, joined, report)
    assert len(others) >= 5
    # The other scenes still hold just their own objects.
    for other in others:
        assert [o.name for o in other.objects] == ["Left", "Right", "Left+Right"]
        assert other["Left+Right"].vertices.shape == (8, 3)
    del others[:]  # deleting them leaves this scene whole
    assert [o.name for o in scene.objects] == ["Left", "Right", "Left+Right"]
    # And this scene's names are its own: a second join is ".2".
    again, _ = splicer.join(scene, "Left", "Right")
    assert again.name == "Left+Right.2"


def test_threads_adding_loading_and_deleting_elsewhere_do_not_change_the_result():
    stop = threading.Event()
    errors = []

    def churn():
        try:
            while not stop.is_set():
                other = splicer.Scene.load(BOXES)
                other.add("extra", cube(3), CUBE_FACES)
                assert len(other) == 3
                del other
        except Exception as e:  # pragma: no cover - reported below
            errors.append(e)

    workers = [threading.Thread(target=churn) for _ in range(2)]
    for w in workers:
        w.start()
    try:
        for _ in range(5):
            scene = splicer.Scene.load(BOXES)
            # Sleeping lets the other threads run in the middle of the join.
            joined, report = splicer.join(scene, "Left", "Right", progress=lambda s, n: time.sleep(0.002) or True)
            expect_the_real_result(scene, joined, report)
    finally:
        stop.set()
        for w in workers:
            w.join()
    assert errors == []
