# SPDX-License-Identifier: MIT
"""The package as a lab gets it: a wheel built offline with Debian's tools, installed into a
fresh venv that sees none of the system's packages, carrying its firmware and the program's
version; and its type hints, checked by mypy --strict over the examples and typical numeric use.

Run by CTest with ZR410AB_CMAKE_BUILD_DIR set, so the wheel reuses the built module."""

import importlib.util
import json
import os
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
# What setup.py reads to build the wheel; nothing else of the tree is needed with a built module.
WHEEL_SOURCES = ["pyproject.toml", "setup.py", "CMakeLists.txt", "docs/python.md",
                 "firmware/SSTFW.hex", "src/python/zr410ab"]


def require(module: str, package: str) -> None:
    """CI installs every package of tools/packages.txt: a missing one is a failure there."""
    if importlib.util.find_spec(module) is None:
        if os.environ.get("CI"):
            pytest.fail(f"{package} is not installed")
        pytest.skip(f"needs {package}")


def program_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"^project\(\S+ VERSION ([0-9.]+)", text, re.MULTILINE).group(1)


def run(*args, **kwargs) -> subprocess.CompletedProcess:
    done = subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=900,
                          **kwargs)
    assert done.returncode == 0, done.stdout[-3000:] + done.stderr[-3000:]
    return done


@pytest.mark.parametrize("how", ["build a wheel", "pip install ."])
def test_installs_into_a_fresh_venv(tmp_path, how):
    require("venv", "python3-venv")
    require("wheel", "python3-wheel")
    if "ZR410AB_CMAKE_BUILD_DIR" not in os.environ:
        pytest.skip("run through ctest")
    source = tmp_path / "source"
    for name in WHEEL_SOURCES:
        copy = shutil.copytree if (ROOT / name).is_dir() else shutil.copyfile
        (source / name).parent.mkdir(parents=True, exist_ok=True)
        copy(ROOT / name, source / name)
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    venv = tmp_path / "venv"
    run(sys.executable, "-m", "venv", venv)
    python = venv / "bin" / "python"
    if how == "build a wheel":
        require("build", "python3-build")
        run(sys.executable, "-m", "build", "--no-isolation", "--wheel", "--outdir",
            tmp_path / "dist", source, env=env)
        (wheel,) = (tmp_path / "dist").glob("zr410ab-*.whl")
        names = zipfile.ZipFile(wheel).namelist()
        for carried in ["SSTFW.hex", "py.typed", "__init__.pyi", "_paths.py", "_sav.py"]:
            assert f"zr410ab/{carried}" in names
        assert any(re.fullmatch(r"zr410ab/_core\..*\.so", n) for n in names), names
        run(python, "-m", "pip", "install", "--no-index", wheel, env=env)
    else:
        run(python, "-m", "pip", "install", "--no-index", "--no-build-isolation", source, env=env)

    check = run(python, "-c", """if True:
        import importlib.metadata, json, zr410ab
        with zr410ab.open_board("sim") as board:
            reading = board.chip("A").temperatures()
        print(json.dumps([zr410ab.__file__, importlib.metadata.version("zr410ab"),
                          zr410ab.__version__, reading]))""", cwd=tmp_path, env=env)
    where, metadata_version, version, reading = json.loads(check.stdout)
    assert where.startswith(str(venv)), where
    assert metadata_version == version == program_version()
    assert len(reading) == 2


def test_type_hints_pass_mypy_strict():
    require("mypy", "mypy")
    typed = Path(__file__).parent / "typed"
    files = [typed / "typed_use.py", *sorted((ROOT / "examples").glob("*.py"))]
    env = dict(os.environ, MYPYPATH=os.environ.get("PYTHONPATH", ""))
    done = subprocess.run([sys.executable, "-m", "mypy", "--config-file", str(typed / "mypy.ini"),
                           "--no-incremental", "--cache-dir", os.devnull, *map(str, files)],
                          capture_output=True, text=True, timeout=300, env=env)
    assert done.returncode == 0, done.stdout + done.stderr
