"""What the join tells a Python caller: accuracies refused or warned about
before any work, and the command line's warnings as Python warnings."""
import math
import warnings

import pytest

import splicer
from shared import BOXES, FIGURE


@pytest.fixture
def boxes():
    return splicer.Scene.load(BOXES)


@pytest.mark.parametrize("accuracy", [-1.0, -1e-9, math.nan, math.inf, 1e12, 2147483.5])
def test_an_accuracy_out_of_reach_is_a_value_error_and_nothing_is_joined(boxes, accuracy):
    with pytest.raises(ValueError, match="^accuracy must "):
        splicer.join(boxes, "Left", "Right", accuracy=accuracy)
    with pytest.raises(ValueError, match="^accuracy must "):
        splicer.join(boxes, "Left", "Right", accuracy=accuracy, seam=True)
    assert len(boxes) == 2


def test_an_accuracy_below_the_resolution_is_warned_about_and_the_resolution_is_not(boxes):
    with pytest.warns(UserWarning, match=r"^accuracy 0.0001 is below the resolution of the join \(0.0005\)"):
        splicer.join(boxes, "Left", "Right", accuracy=0.0001)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        joined, report = splicer.join(boxes, "Left", "Right", accuracy=0.0005)
    assert report["error"] == 0 and len(joined.faces) == 10
    joined, _ = splicer.join(boxes, "Left", "Right", accuracy=2147483.0)
    assert len(joined.faces) == 10


def test_the_command_lines_warnings_come_as_python_warnings():
    # Two triangulated boxes: one triangle pair welded, the rest a wall.
    scene = splicer.Scene.load(FIGURE)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        splicer.join(scene, "Head", "Body", mode="face")
    texts = [str(w.message) for w in caught]
    assert any(t.startswith("the seam is incomplete: 1 more face pair touches") and t.endswith("join without mode=\"face\" to join the whole seam")
               for t in texts), texts
    assert any(t.startswith("the result is not sealed: ") and t.endswith(", though both objects are") for t in texts), texts
    assert {w.category for w in caught if not str(w.message).startswith("hint")} == {splicer.SeamWarning}
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        _, report = splicer.join(scene, "Head", "Body", seam=True)
    assert report["seal"]["sealed"] and report["seam"]["touching_face_pairs_left"] == 0


def test_the_hint_comes_as_a_warning_before_the_join_error():
    scene = splicer.Scene.load(BOXES)
    moved = scene["Right"].vertices + [0.5, 0, 0]
    scene.add("Far", moved, scene["Right"].faces)
    with pytest.warns(UserWarning, match=r"^hint: the objects do not touch face to face"):
        with pytest.raises(splicer.JoinError) as caught:
            splicer.join(scene, "Left", "Far", mode="face")
    assert caught.value.report["hint"]["kind"] == "apart"
