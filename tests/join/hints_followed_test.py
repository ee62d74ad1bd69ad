#!/usr/bin/env python3
"""`splicer join` on closed solids that touch without corners on corners: in
every mode, every hint printed is followed, and every exit 0 along the way
must have written a sealed object (no open or overused edge, no two vertices
at one position). The contact join (the default) joins every scene at the
default accuracy into one sealed object enclosing the two solids' volumes.
Arguments: SPLICER WORK_DIR."""
import itertools
import math
import os
import re
import subprocess
import sys

splicer, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)


class Mesh:
    def __init__(self):
        self.points, self.faces, self.index = [], [], {}

    def point(self, p):
        key = tuple(round(c, 9) for c in p)
        if key not in self.index:
            self.index[key] = len(self.points)
            self.points.append(p)
        return self.index[key]

    def face(self, corners):
        self.faces.append([self.point(p) for p in corners])


def grid_box(lo, hi, n):
    """A closed box with every side cut into n x n quads, facing outwards."""
    mesh = Mesh()
    for axis in range(3):
        u, v = (axis + 1) % 3, (axis + 2) % 3
        for side in (0, 1):
            for i, j in itertools.product(range(n), range(n)):
                corners = []
                for a, b in ((i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1)):
                    p = [0.0] * 3
                    p[axis] = hi[axis] if side else lo[axis]
                    p[u] = lo[u] + (hi[u] - lo[u]) * a / n
                    p[v] = lo[v] + (hi[v] - lo[v]) * b / n
                    corners.append(p)
                mesh.face(corners if side else corners[::-1])
    return mesh


def cylinder(center, radius, z0, z1, sides):
    mesh = Mesh()
    ring = [(center[0] + radius * math.cos(2 * math.pi * k / sides),
             center[1] + radius * math.sin(2 * math.pi * k / sides)) for k in range(sides)]
    mesh.face([[x, y, z1] for x, y in ring])
    mesh.face([[x, y, z0] for x, y in reversed(ring)])
    for k in range(sides):
        (x0, y0), (x1, y1) = ring[k], ring[(k + 1) % sides]
        mesh.face([[x0, y0, z0], [x1, y1, z0], [x1, y1, z1], [x0, y0, z1]])
    return mesh


def write_scene(path, objects):
    with open(path, "w") as out:
        base = 0
        for name, mesh in objects:
            out.write(f"o {name}\n")
            for p in mesh.points:
                out.write("v %.9g %.9g %.9g\n" % tuple(p))
            for f in mesh.faces:
                out.write("f " + " ".join(str(base + i + 1) for i in f) + "\n")
            base += len(mesh.points)


def volume(points, faces):
    """Enclosed volume by the divergence theorem over the faces' fans."""
    total = 0.0
    for f in faces:
        a = points[f[0]]
        for b, c in zip((points[i] for i in f[1:-1]), (points[i] for i in f[2:])):
            total += (a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2])
                      + a[2] * (b[0] * c[1] - b[1] * c[0])) / 6
    return total


def read_obj(path):
    points, faces = [], []
    for line in open(path):
        parts = line.split()
        if parts and parts[0] == "v":
            points.append(tuple(float(c) for c in parts[1:4]))
        elif parts and parts[0] == "f":
            faces.append([int(c.split("/")[0]) - 1 for c in parts[1:]])
    return points, faces


def sealed(path):
    points, faces = read_obj(path)
    edges = {}
    for f in faces:
        for a, b in zip(f, f[1:] + f[:1]):
            edges[(a, b)] = edges.get((a, b), 0) + 1
    for (a, b), n in edges.items():
        if n != 1 or edges.get((b, a)) != 1:
            return False, f"edge {points[a]} {points[b]} run {n} times, {edges.get((b, a), 0)} back"
    used = sorted({i for f in faces for i in f})
    at = [points[i] for i in used]
    if len(set(at)) != len(at):
        return False, "two vertices at one position"
    return bool(faces), "no faces"


# Offsets and sizes that are not multiples of a power of two.
o = 0.37
scenes = {
    "grids 3x3 and 2x2": (grid_box((o, o, o), (1 + o, 1 + o, 1 + o), 3),
                          grid_box((1 + o, o, o), (2 + o, 1 + o, 1 + o), 2)),
    "grid 4x4 and one quad": (grid_box((o, o, o), (1.3 + o, 1.3 + o, 1.3 + o), 4),
                              grid_box((1.3 + o, o, o), (2.1 + o, 1.3 + o, 1.3 + o), 1)),
    "small box on a big face": (grid_box((o, o, o), (2.2 + o, 2.2 + o, 2.2 + o), 1),
                                grid_box((2.2 + o, 0.6 + o, 0.7 + o), (3.1 + o, 1.5 + o, 1.45 + o), 1)),
    "corner regions overlap": (grid_box((o, o, o), (1 + o, 1 + o, 1 + o), 1),
                               grid_box((1 + o, 0.45 + o, 0.55 + o), (2 + o, 1.45 + o, 1.55 + o), 1)),
    "cylinder on a box": (grid_box((-1.1, -1.05, -0.9), (1.2, 1.15, 0.1), 1),
                          cylinder((0.07, -0.03), 0.6, 0.1, 1.3, 32)),
}

help_text = subprocess.run([splicer, "join", "--help"], capture_output=True, text=True).stdout
modes = [[]] + [[flag] for flag in ("--seam", "--face") if flag in help_text]
failures = []
for name, (first, second) in scenes.items():
    path = os.path.join(work, re.sub(r"\W+", "-", name) + ".obj")
    write_scene(path, [("A", first), ("B", second)])
    for a, b in (("A", "B"), ("B", "A")):
        for mode in modes:
            runs, seen = [mode + ["--accuracy", "0.01"]], set()
            while runs:
                args = runs.pop()
                if tuple(args) in seen or len(seen) > 8:
                    continue
                seen.add(tuple(args))
                out = os.path.join(work, "out.obj")
                if os.path.exists(out):
                    os.remove(out)
                r = subprocess.run([splicer, "join", path, a, b, "-o", out] + args, capture_output=True, text=True)
                what = f"{name}: {a} {b} {' '.join(args)}"
                if not mode and len(seen) == 1:
                    expected = volume(first.points, first.faces) + volume(second.points, second.faces)
                    if r.returncode != 0:
                        failures.append(f"{what}: the contact join did not join: exit {r.returncode}\n{r.stderr}")
                    elif abs(volume(*read_obj(out)) - expected) > 1e-6 * expected:
                        failures.append(f"{what}: encloses {volume(*read_obj(out))}, not the union's {expected}")
                if r.returncode == 0:
                    ok, why = sealed(out)
                    if not ok:
                        failures.append(f"{what}: exit 0 with an unsealed result ({why})")
                elif r.returncode != 4:
                    failures.append(f"{what}: exit {r.returncode}\n{r.stderr}")
                elif os.path.exists(out):
                    failures.append(f"{what}: refused but wrote the result")
                for hint in re.findall(r"^hint: (.*)$", r.stderr, re.M):
                    tried = re.search(r"try --accuracy (\S+)", hint)
                    if tried:
                        runs.append(mode + ["--accuracy", tried.group(1)])
                    if "join without --face" in hint:
                        runs.append(["--seam", "--accuracy", args[-1]])
                    if "try --accuracy" in hint:
                        failures.append(f"{what}: an accuracy is hinted where faces lie on each other: {hint}")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
