"""Joins every pair listed in a CSV file, spread over a Dask cluster.

    python3 examples/dask_joins.py pairs.csv --out joined/            # a local cluster
    python3 examples/dask_joins.py pairs.csv --out joined/ --scheduler tcp://host:8786

Each line of the CSV names a scene file and two of its objects:

    scene,first,second,accuracy,seam
    parts/figure.glb,Head,Body,0.001,
    parts/homer.obj,head,body,,yes

(`accuracy` and `seam` may be left empty: 0.01 and a plain join). Every
join runs as one task on whichever worker is free; the joined object is
written to OUT/<scene stem>-<first>+<second><scene suffix>, and a summary
table of every pair (status, error code and message, counts, seconds) is
printed and written to OUT/summary.csv. Paths are read by the workers: on a
cluster of several machines they must name the same files everywhere (a
shared folder). The exit status is 0 when every join succeeded, 1 otherwise.
"""
from __future__ import annotations

import argparse
import csv
import sys
import time
import warnings
from pathlib import Path
from typing import Any, Optional

SUMMARY_FIELDS = ["scene", "first", "second", "status", "code", "message", "vertices", "faces", "seconds",
                  "output"]


def read_pairs(path: Path) -> list[dict[str, Any]]:
    """The pairs of the CSV, paths made absolute against the CSV's folder."""
    pairs = []
    with path.open(newline="") as f:
        for number, row in enumerate(csv.DictReader(f), start=2):
            if not row.get("scene") or not row.get("first") or not row.get("second"):
                raise SystemExit(f"{path}:{number}: a line needs scene, first and second")
            accuracy = (row.get("accuracy") or "").strip()
            seam = (row.get("seam") or "").strip().lower()
            pairs.append({
                "scene": str((path.parent / row["scene"].strip()).resolve()),
                "first": row["first"].strip(),
                "second": row["second"].strip(),
                "accuracy": float(accuracy) if accuracy else 0.01,
                "seam": seam in ("1", "yes", "true", "seam"),
            })
    return pairs


def join_pair(pair: dict[str, Any], out: str) -> dict[str, Any]:
    """One join, on a worker: never raises, the outcome is in the row."""
    import splicer  # on the worker

    scene_path = Path(pair["scene"])
    row: dict[str, Any] = {"scene": str(scene_path), "first": pair["first"], "second": pair["second"],
                           "status": "failed", "code": "", "message": "", "vertices": "", "faces": "",
                           "seconds": "", "output": ""}
    started = time.perf_counter()
    try:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            scene = splicer.Scene.load(str(scene_path))
            joined, _ = splicer.join(scene, pair["first"], pair["second"], accuracy=pair["accuracy"],
                                     seam=pair["seam"])
            target = Path(out) / f"{scene_path.stem}-{pair['first']}+{pair['second']}{scene_path.suffix}"
            scene.save(str(target), objects=[joined])
        row.update(status="joined", code=0, vertices=len(joined.vertices), faces=len(joined.face_arrays["materials"]),
                   output=str(target), message="; ".join(str(w.message) for w in caught))
    except splicer.JoinError as e:
        row.update(code=e.code, message=e.message)
    except (OSError, KeyError, ValueError) as e:
        row.update(message=str(e))
    row["seconds"] = round(time.perf_counter() - started, 3)
    return row


def print_table(rows: list[dict[str, Any]]) -> None:
    shown = ["first", "second", "status", "code", "vertices", "faces", "seconds", "message"]
    cells = [[Path(r["scene"]).name] + [str(r[k]) for k in shown] for r in rows]
    header = ["scene"] + shown
    widths = [max(len(h), *(len(c[i]) for c in cells)) if cells else len(h) for i, h in enumerate(header)]
    for line in [header] + cells:
        print("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip())


def run(pairs_csv: Path, out: Path, scheduler: Optional[str], workers: int) -> list[dict[str, Any]]:
    """Every pair joined on the cluster; the summary rows in CSV order."""
    from dask.distributed import Client, LocalCluster

    pairs = read_pairs(pairs_csv)
    out.mkdir(parents=True, exist_ok=True)
    if scheduler:
        client = Client(scheduler)
        cluster = None
    else:
        cluster = LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None)
        client = Client(cluster)
    try:
        futures = client.map(join_pair, pairs, out=str(out.resolve()), pure=False)
        rows: list[dict[str, Any]] = client.gather(futures)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    with (out / "summary.csv").open("w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=SUMMARY_FIELDS)
        writer.writeheader()
        writer.writerows(rows)
    return rows


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="Join every pair of a CSV file on a Dask cluster.")
    parser.add_argument("pairs", type=Path, help="CSV with the columns scene, first, second[, accuracy, seam]")
    parser.add_argument("--out", type=Path, default=Path("joined"), help="folder for the results and summary.csv")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=2, help="workers of the local cluster (default 2)")
    args = parser.parse_args(argv)
    rows = run(args.pairs, args.out, args.scheduler, args.workers)
    print_table(rows)
    print(f"{sum(r['status'] == 'joined' for r in rows)} of {len(rows)} joined; summary in {args.out / 'summary.csv'}")
    return 0 if all(r["status"] == "joined" for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
