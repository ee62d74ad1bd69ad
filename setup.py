"""The wheel of the Python module `splicer`.

    python3 -m venv --system-site-packages venv     # NumPy from Debian
    venv/bin/pip install . --no-build-isolation

CMake builds the compiled part with the host library and the reader process
it starts; python/CMakeLists.txt puts them together as the package folder
(splicer/ with lib/ beside the compiled part, found through a relative run
path), and the wheel is that folder. Debian's setuptools and wheel are the
build backend.
"""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version() -> str:
    """The version in CMakeLists.txt's project(), the one __version__ gives."""
    text = (ROOT / "CMakeLists.txt").read_text()
    match = re.search(r"project\(\s*\w+\s+VERSION\s+([0-9.]+)", text)
    if not match:
        raise RuntimeError("no project(... VERSION x.y.z) in CMakeLists.txt")
    return match.group(1)


class CMakeBuild(build_ext):
    """Builds the package folder with CMake and copies it into the wheel."""

    def build_extension(self, ext: Extension) -> None:
        build = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     f"-DPython_EXECUTABLE={sys.executable}", "-DSPLICER_WITH_QT=OFF", "-DSPLICER_BENCH=OFF"]
        if shutil.which("ninja"):
            configure.append("-GNinja")
        if not (build / "CMakeCache.txt").exists():
            subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "splicer_python", "-j", jobs], check=True)
        package = build / "python" / "splicer"
        target = Path(self.get_ext_fullpath(ext.name)).parent
        target.mkdir(parents=True, exist_ok=True)
        for built in package.glob("_splicer*.so"):
            shutil.copy2(built, target / built.name)
        shutil.copytree(package / "lib", target / "lib", dirs_exist_ok=True)


setup(
    name="splicer-bot",
    version=project_version(),
    description="Joins two polyhedron objects into a third across a face they share",
    long_description=__doc__,
    python_requires=">=3.9",
    install_requires=["numpy"],
    packages=["splicer"],
    package_dir={"": "python"},
    package_data={"splicer": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("splicer._splicer", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
