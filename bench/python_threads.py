"""Python: one join against two joins on two threads, and the cost of the
per-object properties on a big object.

    PYTHONPATH=build/python python3 bench/python_threads.py [--faces 400000]

Each pair is two bars of `faces` triangles that touch at one square end
(as bench/Bars.cpp builds them for the C++ benchmarks). Prints the seconds
of one join, of two joins on two threads at once (and their ratio), and of
reading vertices, materials, faces and normals of a 1M-face object.
"""
import argparse
import threading
import time

import numpy as np

import splicer


def bar(x0: float, faces: int, flip: bool) -> tuple[np.ndarray, np.ndarray]:
    """A bar along x of `faces` triangles, closed at both ends."""
    n = max(1, faces // 8)
    xs = x0 + np.arange(n + 1, dtype=np.float32) / n
    ring = np.array([[0, 0], [1, 0], [1, 1], [0, 1]], np.float32)
    vertices = np.array([[x, y, z] for x in xs for y, z in ring], np.float32)
    tris = []
    for i in range(n):
        a, b = 4 * i, 4 * (i + 1)
        for k in range(4):
            p, q = a + k, a + (k + 1) % 4
            r, s = b + (k + 1) % 4, b + k
            tris += [[p, q, r], [p, r, s]]
    end = 4 * n
    tris += [[0, 3, 2], [0, 2, 1], [end, end + 1, end + 2], [end, end + 2, end + 3]]
    faces_array = np.array(tris, np.int32)
    return vertices, faces_array[:, ::-1].copy() if flip else faces_array


def pair(faces: int) -> splicer.Scene:
    scene = splicer.Scene()
    scene.add("A", *bar(0.0, faces, False))
    scene.add("B", *bar(1.0, faces, False))
    return scene


def timed(work) -> float:
    started = time.perf_counter()
    work()
    return time.perf_counter() - started


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--faces", type=int, default=400_000, help="faces of each bar")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()

    scenes = [pair(args.faces), pair(args.faces)]
    one = min(timed(lambda: splicer.join(scenes[0], "A", "B")) for _ in range(args.repeat))

    def two_threads() -> None:
        threads = [threading.Thread(target=splicer.join, args=(s, "A", "B")) for s in scenes]
        for t in threads:
            t.start()
        for t in threads:
            t.join()

    two = min(timed(two_threads) for _ in range(args.repeat))
    print(f"bars of {args.faces} faces: one join {one:.3f} s; two joins on two threads at once {two:.3f} s "
          f"({two / one:.2f}x one join)")

    scene = pair(1_000_000)
    big = scene["A"]
    for name in ["vertices", "materials", "face_arrays", "faces", "normals"]:
        print(f"1M-face object: .{name} {timed(lambda: getattr(big, name)):.4f} s")


if __name__ == "__main__":
    main()
