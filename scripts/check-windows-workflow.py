#!/usr/bin/env python3
"""check-windows-workflow.py WORKFLOW WINDOWS_BUILD_DIR

The workflow parses as YAML, and the test executables its Windows job runs
(the step with id "tests", its PN_TESTS) are exactly the Windows build's
test executables, each of them present in its bin folder."""
import json
import pathlib
import subprocess
import sys

import yaml


def main(workflow, build):
    with open(workflow, encoding="utf-8") as f:
        jobs = yaml.safe_load(f)["jobs"]
    steps = [s for s in jobs["windows"]["steps"] if s.get("id") == "tests"]
    if len(steps) != 1:
        sys.exit(f"{workflow}: the windows job has {len(steps)} steps with id 'tests'")
    named = steps[0]["env"]["PN_TESTS"].split()
    # The Windows build's test executables: the CTest tests that run a
    # program of their own name (under Wine, through the emulator).
    listing = json.loads(subprocess.run(
        ["ctest", "--test-dir", build, "--show-only=json-v1"],
        check=True, capture_output=True, text=True).stdout)
    built = {test["name"] for test in listing["tests"]
             if any(pathlib.PurePath(arg).name == test["name"] + ".exe"
                    for arg in test.get("command", []))}
    bin_dir = pathlib.Path(build, "bin")
    problems = [f"{name}.exe is not in {bin_dir}" for name in named
                if not (bin_dir / f"{name}.exe").is_file()]
    problems += [f"{name} is named twice" for name in set(named) if named.count(name) > 1]
    problems += [f"{name} is a Windows test that the workflow does not run"
                 for name in sorted(built - set(named))]
    problems += [f"{name} is not a test of the Windows build"
                 for name in sorted(set(named) - built)]
    for problem in problems:
        print(f"{workflow}: {problem}", file=sys.stderr)
    if problems:
        sys.exit(1)
    print(f"   {workflow}: YAML, runs the {len(named)} Windows test executables of {bin_dir}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
