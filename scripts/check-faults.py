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
        if path.startswith("python/"):  # the module: built into the project's venv, tested with pytest
            if run(f"{venv}/bin/pip install --quiet --disable-pip-version-check --no-build-isolation ./python").returncode:
                verdict = "caught by the build"
            else:
                tests = run(f"SHAPEEXPORT_TOOL={root}/build/default/tools/shapeexport {venv}/bin/python -m pytest -q "
                            "-p no:cacheprovider python/tests")
                failed = sorted({line.split(" ")[1].split("::")[1].split("[")[0] for line in tests.stdout.splitlines()
                                 if line.startswith("FAILED ")})
                verdict = "caught by " + ", ".join(failed) if tests.returncode else "MISSED"
        elif path.startswith("js/"):  # the package: its WebAssembly module rebuilt, tested with node
            if not wasm_configured:
                wasm_configured = run("cmake --preset wasm").returncode == 0
            if run("cmake --build --preset wasm -j2").returncode:
                verdict = "caught by the build"
            else:
                tests = run("cd js && node --test test/")
                failed = [line.split(" - ", 1)[1] for line in tests.stdout.splitlines()
                          if line.startswith("not ok ") and " - " in line]
                verdict = "caught by " + ", ".join(failed) if tests.returncode else "MISSED"
        elif run("cmake --build --preset default -j2").returncode:
            verdict = "caught by the build"
        else:
            tests = run("ctest --preset default -j2 --timeout 300")
            failed = [line.split(" - ")[1].split(" (")[0] for line in tests.stdout.splitlines()
                      if " - " in line and line.rstrip().endswith(")") and "(" in line.split(" - ")[1]]
            verdict = "caught by " + ", ".join(failed) if tests.returncode else "MISSED"
    finally:
        open(file, "w").write(source)
    print(f"{number} {name}: {verdict}", flush=True)
run("cmake --build --preset default -j2")
if python_run:  # the venv's module built from main again
    subprocess.run(f"{venv}/bin/pip install --quiet --disable-pip-version-check --no-build-isolation ./python",
                   shell=True, cwd=root, capture_output=True)
