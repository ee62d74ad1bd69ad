"""SPLICER-BOT: join two polyhedron objects across the face they share.

    import splicer
    scene = splicer.Scene.load("model.glb")
    joined, report = splicer.join(scene, "Head", "Body")
    scene.save("joined.glb")

A Scene is a mapping of names to SceneObjects; arrays come out as NumPy
arrays. Errors are FileError (an OSError), ValueError for bad input and
JoinError for a join that failed or was aborted.
"""
from collections.abc import Mapping as _Mapping

from ._splicer import Scene, SceneObject, __version__, join, join_all
from ._types import FileError, JoinError, Material, MissingFileError, SeamWarning

_Mapping.register(Scene)
for _kind in (Scene, SceneObject, FileError, MissingFileError, JoinError, SeamWarning, Material):
    _kind.__module__ = __name__
del _kind

__all__ = ["FileError", "JoinError", "Material", "MissingFileError", "Scene", "SceneObject", "SeamWarning",
           "__version__", "join", "join_all"]
