#!/usr/bin/env python3
"""Draws the floor plan (docs/floors.svg) from the floors check itself.

The rule the build enforces (cmake/CheckFloors.cmake, its `floors` list)
is the only source: each folder stands on the floor above the highest one
it may include from, rooms are drawn inside their folder, and an arrow is
drawn only where no other arrow already leads, so the picture cannot say
anything the check does not.

    python3 scripts/make-floors.py [-o docs/floors.svg]
"""
import argparse
import pathlib
import re
import sys
from xml.sax.saxutils import escape

ROOT = pathlib.Path(__file__).resolve().parent.parent


def read_floors(path):
    """{folder: set of folders it may include from}, as the check lists them."""
    text = path.read_text(encoding="utf-8")
    block = re.search(r"set\(floors\s*(.*?)\)", text, re.S)
    if not block:
        sys.exit(f"{path}: no `set(floors ...)` list")
    rules = {}
    for entry in re.findall(r'"([^"]+)"', block.group(1)):
        folder, _, allowed = entry.partition(":")
        rules[folder] = {a for a in allowed.split() if "." not in a}  # single files are not floors
    return rules


def buildings(rules):
    """The folders drawn as boxes (a folder with rooms is one box) and what each stands on."""
    def box_of(folder):
        top = folder.split("/")[0]
        # A folder whose rooms have rules of their own is one box; apps/ holds programs side by side.
        return folder if top == "apps" else top

    boxes, rooms, on = [], {}, {}
    for folder, allowed in rules.items():
        if folder == "apps":
            continue
        box = box_of(folder)
        if box not in on:
            boxes.append(box)
            on[box] = set()
            rooms[box] = []
        if folder != box:
            rooms[box].append(folder.split("/", 1)[1])
        on[box] |= {box_of(a) for a in allowed if box_of(a) != box}
    return boxes, rooms, on


def levels(boxes, on):
    level = {}

    def of(box, seen=()):
        if box in seen:
            sys.exit(f"the floors run in a circle through {box}")
        if box not in level:
            level[box] = 1 + max((of(b, seen + (box,)) for b in on[box]), default=-1)
        return level[box]

    for box in boxes:
        of(box)
    return level


def reduced(on):
    """Only the arrows no other path already implies."""
    def reach(box):
        seen, todo = set(), list(on[box])
        while todo:
            b = todo.pop()
            if b not in seen:
                seen.add(b)
                todo.extend(on[b])
        return seen

    return {box: {b for b in targets if not any(b in reach(o) for o in targets if o != b)}
            for box, targets in on.items()}


def svg(boxes, rooms, on, level):
    width, row, box_h, gap = 820, 96, 52, 16
    top = max(level.values())
    rows = {}
    for box in boxes:
        rows.setdefault(level[box], []).append(box)
    place = {}
    for lv in sorted(rows):
        members = rows[lv]
        # Each box under the middle of what it stands on, as far as the row allows.
        members.sort(key=lambda b: (sum(place[t][0] + place[t][2] / 2 for t in on[b]) / max(len(on[b]), 1), b))
        w = (width - 40 - gap * (len(members) - 1)) / len(members)
        for i, box in enumerate(members):
            x = 20 + i * (w + gap)
            y = 20 + (top - lv) * row
            place[box] = (x, y, w)
    height = 40 + top * row + box_h
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}" font-family="DejaVu Sans, sans-serif" font-size="13">',
           '<defs><marker id="arrow" viewBox="0 0 10 10" refX="9" refY="5" markerWidth="7" markerHeight="7" '
           'orient="auto-start-reverse"><path d="M0,0 L10,5 L0,10 z" fill="#555"/></marker></defs>',
           f'<rect width="{width}" height="{height}" fill="white"/>']
    for box, targets in sorted(reduced(on).items()):
        x, y, w = place[box]
        for t in sorted(targets):
            tx, ty, tw = place[t]
            out.append(f'<line x1="{x + w / 2:.1f}" y1="{y + box_h}" x2="{tx + tw / 2:.1f}" y2="{ty}" '
                       'stroke="#555" stroke-width="1.4" marker-end="url(#arrow)"/>')
    for box in boxes:
        x, y, w = place[box]
        fill = ("#dbe9f6", "#e6f2dc", "#fbf0dc", "#f6e0e0")[min(level[box], 3)]
        out.append(f'<rect x="{x:.1f}" y="{y}" width="{w:.1f}" height="{box_h}" rx="6" fill="{fill}" stroke="#333"/>')
        label_y = y + (20 if rooms[box] else box_h / 2 + 5)
        out.append(f'<text x="{x + w / 2:.1f}" y="{label_y}" text-anchor="middle" font-weight="bold">'
                   f'{escape(box)}/</text>')
        if rooms[box]:
            out.append(f'<text x="{x + w / 2:.1f}" y="{y + 40}" text-anchor="middle" fill="#333">'
                       f'{escape(" · ".join(rooms[box]))}</text>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output", default=str(ROOT / "docs" / "floors.svg"))
    parser.add_argument("--rules", default=str(ROOT / "cmake" / "CheckFloors.cmake"))
    args = parser.parse_args()
    rules = read_floors(pathlib.Path(args.rules))
    boxes, rooms, on = buildings(rules)
    pathlib.Path(args.output).write_text(svg(boxes, rooms, on, levels(boxes, on)), encoding="utf-8")


if __name__ == "__main__":
    main()
