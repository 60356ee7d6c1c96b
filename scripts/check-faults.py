#!/usr/bin/env python3
"""Checks that the test suite fails on each realistic fault of scripts/faults.json.

Each fault is [name, file, text, replacement]: the text must occur exactly once.
The faults are applied one at a time to a worktree of HEAD (default: /tmp/shapeexport-faults),
which is built with the default preset and tested with ctest; a fault the suite does
not fail on is reported MISSED. Faults in python/ are checked with the module's pytest suite
(in the venv scripts/test.sh makes, with this checkout's tool), faults in js/ with the package's
node tests (on the module built with the wasm preset, after scripts/build-wasm.sh has installed
Emscripten), the others with ctest. Arguments: fault numbers to run (default: all).
"""
import json, os, subprocess, sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
tree = os.environ.get("FAULT_TREE", "/tmp/shapeexport-faults")
venv = os.path.join(root, "build", "python-venv")  # made by scripts/test.sh
run = lambda command, **kw: subprocess.run(command, shell=True, cwd=tree, capture_output=True, text=True,
                                           errors="replace", **kw)
if not os.path.isdir(tree):
    subprocess.run(["git", "-C", root, "worktree", "add", "-q", "--detach", tree, "HEAD"], check=True)
run("git checkout -q --detach " + subprocess.check_output(["git", "-C", root, "rev-parse", "HEAD"], text=True))
run("cmake --preset default")
faults = json.load(open(os.path.join(root, "scripts", "faults.json")))
python_run = wasm_configured = False
# Per part of the tree: how it is built, how it is tested, and the failed test a line of the
# test output names (or None). The Python module goes into the project's venv, the
# JavaScript package's module is built with the wasm preset, the rest is tested with ctest.
suites = [
    ("python/", f"{venv}/bin/pip install --quiet --disable-pip-version-check --no-build-isolation ./python",
     f"SHAPEEXPORT_TOOL={root}/build/default/tools/shapeexport {venv}/bin/python -m pytest -q -p no:cacheprovider "
     "python/tests",
     lambda line: line.split(" ")[1].split("::")[1].split("[")[0] if line.startswith("FAILED ") else None),
    ("js/", "cmake --build --preset wasm -j2", "cd js && node --test test/",
     lambda line: line.split(" - ", 1)[1] if line.startswith("not ok ") and " - " in line else None),
    ("", "cmake --build --preset default -j2", "ctest --preset default -j2 --timeout 300",
     lambda line: line.split(" - ")[1].split(" (")[0]
     if " - " in line and line.rstrip().endswith(")") and "(" in line.split(" - ")[1] else None),
]
for number, (name, path, text, replacement) in enumerate(faults):
    if len(sys.argv) > 1 and str(number) not in sys.argv[1:]:
        continue
    python_run = python_run or path.startswith("python/")
    file = os.path.join(tree, path)
    source = open(file).read()
    if source.count(text) != 1:
        print(f"{number} {name}: the text occurs {source.count(text)} times", flush=True)
        continue
    open(file, "w").write(source.replace(text, replacement))
    try:
        prefix, build, test, failed_in = next(suite for suite in suites if path.startswith(suite[0]))
        if prefix == "js/" and not wasm_configured:
            wasm_configured = run("cmake --preset wasm").returncode == 0
        if run(build).returncode:
            verdict = "caught by the build"
        else:
            tests = run(test)
            failed = sorted({failed_in(line) for line in tests.stdout.splitlines()} - {None})
            verdict = "caught by " + ", ".join(failed) if tests.returncode else "MISSED"
    finally:
        open(file, "w").write(source)
    print(f"{number} {name}: {verdict}", flush=True)
run("cmake --build --preset default -j2")
if python_run:  # the venv's module built from main again
    subprocess.run(f"{venv}/bin/pip install --quiet --disable-pip-version-check --no-build-isolation ./python",
                   shell=True, cwd=root, capture_output=True)
