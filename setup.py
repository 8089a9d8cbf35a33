# SPDX-License-Identifier: MIT
"""The wheel's extension module comes from the project's CMake build (pyproject.toml has the rest).

The version is the project's, from the top-level CMakeLists.txt, so the package, the program
and the tool never disagree. ZR410AB_CMAKE_BUILD_DIR names a configured build folder to reuse
(the tests do); without it a folder of its own is configured under build-python/.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

ROOT = Path(__file__).resolve().parent

try:
    from wheel.bdist_wheel import bdist_wheel
except ImportError:
    # A venv made without --system-site-packages does not see Debian's python3-wheel, which
    # packs the wheel offline: that one package is taken from the system's interpreter.
    sys.path.append(os.path.join(sys.base_prefix, "lib", "python3", "dist-packages"))
    from wheel.bdist_wheel import bdist_wheel


def project_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"^project\(\s*\S+\s+VERSION\s+([0-9.]+)", text, re.MULTILINE)
    if not found:
        raise RuntimeError("CMakeLists.txt: no project(... VERSION x.y.z) line")
    return found.group(1)


class CMakeBuild(build_ext):
    """Builds the module target with CMake and puts it where setuptools packs it."""

    def build_extension(self, ext: Extension) -> None:
        folder = os.environ.get("ZR410AB_CMAKE_BUILD_DIR")
        if folder:
            build = Path(folder).resolve()
        else:
            build = Path(self.build_temp).resolve() / "cmake"
            subprocess.run(
                ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                 "-DZR_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}"]
                + (["-G", "Ninja"] if shutil.which("ninja") else []),
                check=True,
            )
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(
            ["cmake", "--build", str(build), "--target", "zr410ab_python", "-j", jobs], check=True
        )
        built = sorted((build / "python" / "zr410ab").glob("_core*.so"))
        if not built:
            raise RuntimeError(f"{build}: the build made no zr410ab/_core module")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[-1], target)


class WithFirmware(build_py):
    """The package loads the board's firmware from its own folder: the wheel carries a copy."""

    def run(self) -> None:
        super().run()
        target = Path(self.build_lib) / "zr410ab" / "SSTFW.hex"
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(ROOT / "firmware" / "SSTFW.hex", target)


setup(
    version=project_version(),
    ext_modules=[Extension("zr410ab._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild, "build_py": WithFirmware, "bdist_wheel": bdist_wheel},
    # Apart from build/, the CMake build folder `make` uses.
    options={"build": {"build_base": "build-python"}},
)
