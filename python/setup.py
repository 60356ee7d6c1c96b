"""Builds the extension with the project's CMake (SHAPEEXPORT_BUILD_PYTHON=ON, neither
tests nor tool) straight into the package folder of the build, with the libraries it
loads. The source is the folder above this one. Jobs: CMAKE_BUILD_PARALLEL_LEVEL."""
import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent.parent
if not (ROOT / "CMakeLists.txt").is_file():
    sys.exit(f"shapeexport is built from the ShapeExport source folder above python/, and {ROOT} is none")


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        package_dir = Path(self.get_ext_fullpath(ext.name)).resolve().parent
        build_dir = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build_dir),
                        "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
                        "-DSHAPEEXPORT_BUILD_TOOLS=OFF", "-DSHAPEEXPORT_BUILD_PYTHON=ON",
                        f"-DPython_EXECUTABLE={sys.executable}",
                        f"-DSHAPEEXPORT_PYTHON_PACKAGE_DIR={package_dir}"], check=True)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "_shapeexport"], check=True)


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(ShapeExport VERSION ([0-9.]+)", text).group(1)


setup(version=version(),
      ext_modules=[Extension("shapeexport._shapeexport", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
