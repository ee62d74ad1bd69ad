"""The examples run as the README shows them: joins on a local Dask cluster
with a summary table, and the matplotlib picture."""
import csv
import importlib.util
import os

import pytest

from shared import DATA, EXAMPLES


def example(name):
    spec = importlib.util.spec_from_file_location(name, os.path.join(EXAMPLES, name + ".py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.mark.filterwarnings("ignore::DeprecationWarning")  # from the Debian tornado under dask
def test_dask_example_joins_every_pair_on_a_local_cluster(tmp_path, capsys):
    pytest.importorskip("dask.distributed")
    dask_joins = example("dask_joins")
    pairs = tmp_path / "pairs.csv"
    pairs.write_text("scene,first,second,accuracy,seam\n"
                     f"{os.path.abspath(os.path.join(EXAMPLES, 'boxes.obj'))},Left,Right,,\n"
                     f"{os.path.abspath(os.path.join(DATA, 'formats', 'figure.glb'))},Head,Body,0.001,yes\n"
                     f"{os.path.abspath(os.path.join(EXAMPLES, 'boxes.obj'))},Right,Nobody,,\n")
    out = tmp_path / "joined"
    status = dask_joins.main([str(pairs), "--out", str(out), "--workers", "2"])
    assert status == 1  # one pair names an object that is not there
    with (out / "summary.csv").open() as f:
        rows = list(csv.DictReader(f))
    assert [(r["first"], r["second"], r["status"]) for r in rows] == [
        ("Left", "Right", "joined"), ("Head", "Body", "joined"), ("Right", "Nobody", "failed")]
    assert (rows[0]["vertices"], rows[0]["faces"]) == ("12", "10")
    assert os.path.exists(rows[0]["output"]) and rows[1]["output"].endswith("figure-Head+Body.glb")
    assert "no object named 'Nobody'" in rows[2]["message"]
    printed = capsys.readouterr().out
    assert "2 of 3 joined" in printed and "Head" in printed


def test_plot_example_writes_the_picture(tmp_path):
    pytest.importorskip("matplotlib")
    plot_join = example("plot_join")
    picture = tmp_path / "join.png"
    assert plot_join.main(["-o", str(picture)]) == 0
    with picture.open("rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"
    assert picture.stat().st_size > 20000
