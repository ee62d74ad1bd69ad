"""What the module's tests share: where the data is, and a unit cube."""
import os

import numpy as np

HERE = os.path.dirname(__file__)
EXAMPLES = os.environ.get("SPLICER_EXAMPLES", os.path.join(HERE, "../../examples"))
DATA = os.environ.get("SPLICER_TEST_DATA", os.path.join(HERE, "../../tests/data"))
BOXES = os.path.join(EXAMPLES, "boxes.obj")
FIGURE = os.path.join(DATA, "formats", "figure.glb")

# A unit cube as quads, faces turned outwards.
CUBE_FACES = [[0, 4, 6, 2], [1, 3, 7, 5], [0, 1, 5, 4], [2, 6, 7, 3], [0, 2, 3, 1], [4, 5, 7, 6]]


def cube(x0=0.0):
    return np.array([[x0 + (i & 1), (i >> 1) & 1, (i >> 2) & 1] for i in range(8)], dtype=np.float32)
