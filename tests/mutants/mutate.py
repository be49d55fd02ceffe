#!/usr/bin/env python3
"""Applies hand-made mutants one at a time, rebuilds the test targets and runs the tests;
a mutant is killed when a test fails (or the build does). Prints one line per mutant and
the kill rate; the source files are restored after each mutant, also on Ctrl+C.

    python3 tests/mutants/mutate.py [BUILD_DIR] [FILE.mutants ...]

Default: build/, every tests/mutants/*.mutants. A .mutants file:

    targets: app_tests larkspan             (what to rebuild)
    run: build/stage/app_tests --gtest_filter=SiteCheck*:HeadlessBuild.*Site*
                                            (one or more run: lines, from the source root;
                                             BUILD stands for the build folder)
    file: editor/app/site_check.cpp         (the file the following mutants change)

    # name of the mutant
    - a text that occurs exactly once in the file
    + what it becomes

Lines after "- " and "+ " may repeat to span several lines.
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def parse(path):
    header = {"targets": [], "run": []}
    mutants = []
    current_file = None
    block = None
    for raw in open(path, encoding="utf-8").read().split("\n"):
        if raw.startswith("targets:"):
            header["targets"] = raw.split(":", 1)[1].split()
        elif raw.startswith("run:"):
            header["run"].append(raw.split(":", 1)[1].strip())
        elif raw.startswith("file:"):
            current_file = raw.split(":", 1)[1].strip()
        elif raw.startswith("# "):
            block = {"name": raw[2:], "file": current_file, "old": [], "new": []}
            mutants.append(block)
        elif raw.startswith("- ") or raw == "-":
            block["old"].append(raw[2:])
        elif raw.startswith("+ ") or raw == "+":
            block["new"].append(raw[2:])
    return header, mutants


def quiet(command, env=None):
    return subprocess.run(command, shell=True, cwd=ROOT, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, env=env).returncode


def main():
    args = sys.argv[1:]
    build = "build"
    if args and not args[0].endswith(".mutants"):
        build = args.pop(0)
    files = args or sorted(os.path.join("tests/mutants", f)
                           for f in os.listdir(os.path.join(ROOT, "tests/mutants")) if f.endswith(".mutants"))
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    killed = total = 0
    survivors = []
    for spec in files:
        header, mutants = parse(os.path.join(ROOT, spec))
        rebuild = "cmake --build %s -j2 --target %s" % (build, " ".join(header["targets"]))
        if quiet(rebuild) != 0:
            print("%s: the unchanged tree does not build" % spec)
            return 2
        for command in header["run"]:
            if quiet(command.replace("BUILD", build), env) != 0:
                print("%s: the tests fail without any mutant: %s" % (spec, command))
                return 2
        for m in mutants:
            path = os.path.join(ROOT, m["file"])
            original = open(path, encoding="utf-8").read()
            old, new = "\n".join(m["old"]), "\n".join(m["new"])
            if original.count(old) != 1:
                print("  ?       %s: its text occurs %d times in %s" % (m["name"], original.count(old), m["file"]))
                continue
            try:
                open(path, "w", encoding="utf-8").write(original.replace(old, new))
                dead = quiet(rebuild) != 0 or any(quiet(c.replace("BUILD", build), env) != 0 for c in header["run"])
            finally:
                open(path, "w", encoding="utf-8").write(original)
            total += 1
            killed += dead
            print("  %-8s%s" % ("killed" if dead else "SURVIVED", m["name"]), flush=True)
            if not dead:
                survivors.append(m["name"])
        quiet(rebuild)  # the tree as it was
    print("%d of %d mutants killed (%.0f %%)" % (killed, total, 100.0 * killed / total if total else 0))
    for name in survivors:
        print("  survived: " + name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
