"""Reads two meshes, joins them along their seam and draws both states.

    python3 examples/plot_join.py                       # the bundled figure cut in two
    python3 examples/plot_join.py SCENE FIRST SECOND [--plain] [-o picture.png]

Left: the two objects as read, pulled apart a little so that the cut shows;
right: the joined object, each face in the colour of the material it came
from, shaded by its normal. Needs matplotlib (Debian's python3-matplotlib).
"""
from __future__ import annotations

import argparse
import sys
from pathlib import Path
from typing import Optional

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import numpy.typing as npt  # noqa: E402
from mpl_toolkits.mplot3d.art3d import Poly3DCollection  # noqa: E402

import splicer  # noqa: E402

HERE = Path(__file__).resolve().parent
DEFAULT_SCENE = HERE.parent / "tests" / "data" / "split" / "homer_ngon_tri.obj"
LIGHT = np.array([0.4, 0.8, 0.45]) / np.linalg.norm([0.4, 0.8, 0.45])


def upright(points: npt.NDArray[np.float64]) -> npt.NDArray[np.float64]:
    """The figure stands along -z: turned half a turn about y, head up."""
    return points * [-1, 1, -1]


def shaded_polygons(obj: splicer.SceneObject, shift: npt.ArrayLike = (0, 0, 0)) -> Poly3DCollection:
    """The object's faces as a collection, coloured by material and light."""
    vertices = upright(obj.vertices.astype(np.float64) + np.asarray(shift, np.float64))
    arrays = obj.face_arrays
    offsets, corners = arrays["offsets"], arrays["vertices"]
    polygons = [vertices[corners[a:b]] for a, b in zip(offsets[:-1], offsets[1:])]
    normals = np.array([np.cross(p[1] - p[0], p[-1] - p[0]) for p in polygons])
    normals /= np.maximum(np.linalg.norm(normals, axis=1, keepdims=True), 1e-12)
    light = 0.35 + 0.65 * np.clip(normals @ LIGHT, 0, 1)
    diffuse = np.array([m.diffuse for m in obj.materials])[arrays["materials"]]
    return Poly3DCollection(polygons, facecolors=np.clip(diffuse * light[:, None], 0, 1), edgecolors="none")


def draw(ax: plt.Axes, parts: list[Poly3DCollection], lo: npt.NDArray[np.float64], hi: npt.NDArray[np.float64], title: str) -> None:
    for part in parts:
        ax.add_collection3d(part)
    centre, size = (lo + hi) / 2, (hi - lo).max() * 0.36
    ax.set_xlim(centre[0] - size, centre[0] + size)
    ax.set_ylim(centre[1] - size, centre[1] + size)
    ax.set_zlim(centre[2] - size, centre[2] + size)
    ax.set_box_aspect((1, 1, 1))
    ax.view_init(elev=15, azim=55)
    ax.set_axis_off()
    ax.set_title(title, fontsize=11)


def bounds(objects: list[splicer.SceneObject], shift: float = 0.0) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64]]:
    points = upright(np.vstack([o.vertices for o in objects]).astype(np.float64))
    return points.min(axis=0), points.max(axis=0) + [0, shift, 0]


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="Join two objects and plot them before and after.")
    parser.add_argument("scene", nargs="?", default=str(DEFAULT_SCENE), help="a scene file with both objects")
    parser.add_argument("first", nargs="?", default="head")
    parser.add_argument("second", nargs="?", default="body")
    parser.add_argument("--plain", action="store_true", help="join one face pair instead of the whole seam")
    parser.add_argument("--accuracy", type=float, default=0.001)
    parser.add_argument("-o", "--out", default="join.png", help="the picture to write (PNG)")
    args = parser.parse_args(argv)

    scene = splicer.Scene.load(args.scene)
    first, second = scene[args.first], scene[args.second]
    joined, report = splicer.join(scene, first, second, accuracy=args.accuracy, seam=not args.plain)

    # The first object moved off by 0.6 of the pair's depth shows the cut.
    lo, hi = bounds([first, second])
    lift = 0.6 * (hi[1] - lo[1])
    fig = plt.figure(figsize=(8, 5.5), dpi=100)
    before = fig.add_subplot(1, 2, 1, projection="3d")
    draw(before, [shaded_polygons(second), shaded_polygons(first, (0, lift, 0))], lo, hi + [0, lift, 0],
         f"{first.name} ({len(first.faces):,} faces) and {second.name} ({len(second.faces):,})")
    after = fig.add_subplot(1, 2, 2, projection="3d")
    draw(after, [shaded_polygons(joined)], lo, hi + [0, lift, 0],
         f"{joined.name}: {len(joined.vertices):,} vertices, {len(joined.faces):,} faces")
    fig.suptitle(f"splicer.join(..., seam={not args.plain}) in {report['seconds']['total']:.2f} s", fontsize=10)
    fig.tight_layout()
    fig.savefig(args.out)
    print(f"{joined.name}: {len(joined.vertices)} vertices, {len(joined.faces)} faces -> {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
