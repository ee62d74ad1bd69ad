"""The module's exceptions, warnings and value types, in Python so that they
behave as Python users expect (pickling, dataclass equality, OSError's
fields). The compiled part raises and returns these."""
from __future__ import annotations

import dataclasses
import errno as _errno
import warnings
from typing import Any, Optional, Tuple

Colour = Tuple[float, float, float]


class FileError(OSError):
    """A scene file that cannot be read or written.

    ``errno`` is the system's error number when the system refused (None for
    a file whose content is at fault), ``filename`` the path given and
    ``strerror`` the full message.
    """

    def __str__(self) -> str:
        return str(self.strerror)


class MissingFileError(FileError, FileNotFoundError):
    """A scene file that does not exist (also a FileNotFoundError)."""


class JoinError(Exception):
    """A join that ended in an error or was aborted.

    ``code`` is the system's error code (e.g. -1006; -1100 for an abort),
    ``message`` its text and ``report`` the same fields as
    ``splicer join --report``.
    """

    def __init__(self, code: int, message: str, report: Optional[dict[str, Any]] = None) -> None:
        super().__init__(code, message, report)
        self.code = code
        self.message = message
        self.report = report

    def __str__(self) -> str:
        return f"{self.message} (code {self.code})"


class SeamWarning(UserWarning):
    """A join that left part of the seam between the two objects unjoined."""


@dataclasses.dataclass(frozen=True)
class Material:
    """A material as the scene keeps it: colours are (red, green, blue) in
    0..1, ``texture`` the diffuse map's path ("" for none)."""

    name: str = "default"
    diffuse: Colour = (0.8, 0.8, 0.8)
    ambient: Colour = (0.2, 0.2, 0.2)
    specular: Colour = (0.0, 0.0, 0.0)
    shininess: float = 0.0
    opacity: float = 1.0
    texture: str = ""


def warn(message: str, category: type[Warning] = UserWarning, stacklevel: int = 3) -> None:
    """Every warning of the module goes out here (the compiled part calls it
    too), so that one place decides how they look."""
    warnings.warn(message, category, stacklevel=stacklevel)


def file_error(message: str, filename: str, code: Optional[int]) -> FileError:
    """The exception for a file that could not be read or written."""
    kind = MissingFileError if code == _errno.ENOENT else FileError
    return kind(code, message, filename)
