#!/usr/bin/env python3
"""Hand-made mutants: applies each to the source, rebuilds, runs the tests, puts it back.

    tests/mutation/mutate.py tests/mutation/watch_build.mutants [build folder]

A mutants file holds header lines `targets: ...` (what to build) and `run: ...` (the tests,
a shell command run in the worktree), then one block per mutant:

    @@ name path/of/file.cpp
    - text as it stands (one or more lines; it must occur exactly once)
    + text that replaces it (none: the text is deleted)

A mutant is killed when the build fails or the tests fail. Prints one line per mutant and
the kill rate; exits 1 when a mutant's text is not found exactly once.
"""
import pathlib
import subprocess
import sys


def parse(path):
    header, mutants = {}, []
    for line in pathlib.Path(path).read_text().splitlines():
        if line.startswith("@@ "):
            name, file = line[3:].split()
            mutants.append({"name": name, "file": file, "old": [], "new": []})
        elif mutants and line.startswith("- "):
            mutants[-1]["old"].append(line[2:])
        elif mutants and line.startswith("+ "):
            mutants[-1]["new"].append(line[2:])
        elif not mutants and ":" in line and not line.startswith("#"):
            key, value = line.split(":", 1)
            header[key.strip()] = value.strip()
    return header, mutants


def main():
    root = pathlib.Path(__file__).resolve().parents[2]
    header, mutants = parse(sys.argv[1])
    build = sys.argv[2] if len(sys.argv) > 2 else "build"
    killed = 0
    for m in mutants:
        source = root / m["file"]
        original = source.read_text()
        old, new = "\n".join(m["old"]), "\n".join(m["new"])
        if original.count(old) != 1:
            print(f"{m['name']}: its text occurs {original.count(old)} times in {m['file']}")
            return 1
        try:
            source.write_text(original.replace(old, new))
            built = subprocess.run(f"cmake --build {build} -j2 --target {header['targets']}", shell=True,
                                   cwd=root, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
            passed = built and subprocess.run(header["run"], shell=True, cwd=root, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL).returncode == 0
        finally:
            source.write_text(original)
        killed += not passed
        print(f"{'killed  ' if not passed else 'SURVIVED'} {m['name']}" + ("" if built else " (no build)"), flush=True)
    subprocess.run(f"cmake --build {build} -j2 --target {header['targets']}", shell=True, cwd=root,
                   stdout=subprocess.DEVNULL)
    print(f"{killed} of {len(mutants)} killed ({100 * killed // max(len(mutants), 1)} %)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
