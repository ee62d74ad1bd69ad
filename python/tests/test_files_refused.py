"""Files from strangers: what a glTF refers to stays in its folder unless
allowed, and a file of too many faces is refused unless allowed."""
import json
import struct

import pytest

import splicer
from shared import FIGURE


def triangle_gltf(folder, uri):
    doc = {"asset": {"version": "2.0"}, "buffers": [{"uri": uri, "byteLength": 36}],
           "bufferViews": [{"buffer": 0, "byteLength": 36}],
           "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                          "min": [0, 0, 0], "max": [9, 9, 9]}],
           "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
           "nodes": [{"name": "Tri", "mesh": 0}], "scenes": [{"nodes": [0]}], "scene": 0}
    path = folder / "model.gltf"
    path.write_text(json.dumps(doc))
    return str(path)


def test_a_buffer_outside_the_folder_is_refused_unless_allowed(tmp_path):
    (tmp_path / "secret.bin").write_bytes(struct.pack("9f", *range(1, 10)))
    (tmp_path / "scene").mkdir()
    path = triangle_gltf(tmp_path / "scene", "../secret.bin")
    with pytest.raises(splicer.FileError, match=r"refers to .*secret\.bin, which lies outside the scene's folder"):
        splicer.Scene.load(path)
    scene = splicer.Scene.load(path, resources_anywhere=True)
    assert scene["Tri"].vertices.tolist() == [[1, 2, 3], [4, 5, 6], [7, 8, 9]]


def test_max_faces_refuses_a_larger_file_and_must_be_a_whole_number_above_0():
    with pytest.raises(splicer.FileError, match=r"more than 3 faces .*--max-faces"):
        splicer.Scene.load(FIGURE, max_faces=3)
    assert len(splicer.Scene.load(FIGURE, max_faces=10**6)) == 2
    for bad in (0, -1, 2.5, True, "9", 2**70):
        with pytest.raises(ValueError, match="max_faces must be a whole number above 0"):
            splicer.Scene.load(FIGURE, max_faces=bad)
