# Types of the compiled part of splicer (checked by mypy in CI, against the
# examples and, with stubtest, against the built module).
from typing import Any, Callable, Iterator, Optional, Sequence, Tuple, Union, overload

import numpy as np
import numpy.typing as npt

from ._types import Material

__version__: str

_ObjectRef = Union[str, SceneObject]
_Faces = Union[npt.ArrayLike, Tuple[npt.ArrayLike, npt.ArrayLike], Sequence[Sequence[int]]]
_MaterialSpec = Union[Material, dict[str, Any], str]
_Progress = Callable[[str, int], object]

class SceneObject:
    """One polyhedron of a Scene."""
    name: str
    @property
    def vertices(self) -> npt.NDArray[np.float32]: ...
    @property
    def uvs(self) -> npt.NDArray[np.float32]: ...
    @property
    def faces(self) -> list[list[int]]: ...
    @property
    def face_arrays(self) -> dict[str, npt.NDArray[np.int32]]: ...
    @property
    def normals(self) -> npt.NDArray[np.float32]: ...
    @property
    def materials(self) -> list[Material]: ...

class Scene:
    """Objects read from a file or added from arrays: a mapping of names to SceneObjects."""
    def __init__(self) -> None: ...
    @staticmethod
    def load(path: str, *, resources_anywhere: bool = False, max_faces: Optional[int] = None) -> Scene: ...
    def save(self, path: str, objects: Optional[Sequence[_ObjectRef]] = None) -> None: ...
    @property
    def objects(self) -> list[SceneObject]: ...
    def __getitem__(self, name: str) -> SceneObject: ...
    @overload
    def get(self, name: str) -> Optional[SceneObject]: ...
    @overload
    def get(self, name: str, default: SceneObject) -> SceneObject: ...
    @overload
    def get(self, name: str, default: object) -> object: ...
    def __contains__(self, name: object) -> bool: ...
    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...
    def keys(self) -> list[str]: ...
    def values(self) -> list[SceneObject]: ...
    def items(self) -> list[tuple[str, SceneObject]]: ...
    def add(
        self,
        name: str,
        vertices: npt.ArrayLike,
        faces: _Faces,
        uvs: Optional[npt.ArrayLike] = None,
        materials: Optional[Union[_MaterialSpec, Sequence[_MaterialSpec]]] = None,
        *,
        face_uvs: Optional[npt.ArrayLike] = None,
        face_materials: Optional[npt.ArrayLike] = None,
        normals: Optional[npt.ArrayLike] = None,
    ) -> SceneObject: ...

def join(
    scene: Scene,
    first: _ObjectRef,
    second: _ObjectRef,
    accuracy: float = 0.01,
    seam: bool = False,
    progress: Optional[_Progress] = None,
    mode: str = "contact",
) -> tuple[SceneObject, dict[str, Any]]: ...

def join_all(
    scene: Scene,
    names: Optional[Sequence[_ObjectRef]] = None,
    accuracy: float = 0.01,
    progress: Optional[_Progress] = None,
) -> list[SceneObject]: ...
