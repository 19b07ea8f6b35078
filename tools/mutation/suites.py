"""The suites a mutant is tried against: which, in what order, within what
time, and what their output says about who killed it."""

import dataclasses
import json
import os
import re
import subprocess
import sys

# The suites that need no X server and link the mutated code, by CMake target.
# The picture table and the program that draws the pictures count holders by
# game/holders.h, so their suite runs too, last.
SUITES = ("game_tests", "board_refresh_tests", "window_tests", "assets_tests")
# Tests slower than this go last, after every quick test of every suite.
SLOW_TEST_SECONDS = 0.05


@dataclasses.dataclass
class Stage:
    target: str
    filter: str  # a --gtest_filter, empty for all
    timeout: float


def verdict(output, returncode):
    """Who killed the mutant, from a test program's output; empty if none did."""
    failed = re.search(r"^\[  FAILED  \] ([\w/.]+)", output, re.M)
    if failed:
        return failed.group(1)
    running = re.findall(r"^\[ RUN      \] ([\w/.]+)", output, re.M)
    where = f" in {running[-1]}" if running else ""
    if returncode is None:
        return "timed out" + where
    if returncode < 0:
        return f"crashed (signal {-returncode})" + where
    if returncode != 0:
        return f"failed (exit {returncode})" + where
    return ""


def plan(path, slow, timeouts):
    """The order to build and run the suites in for a mutant of `path`: the one
    likeliest to fail and cheapest to rebuild first, slow tests last."""
    if path.startswith("ui/") or path.endswith(".h"):
        order = ["board_refresh_tests", "game_tests", "window_tests", "assets_tests"]
    else:
        order = ["game_tests", "board_refresh_tests", "window_tests", "assets_tests"]
    stages = []
    for target in order:
        quick = "-" + ":".join(slow[target]) if slow[target] else ""
        stages.append(Stage(target, quick, timeouts[target][0]))
    for target in order:
        if slow[target]:
            stages.append(Stage(target, ":".join(slow[target]), timeouts[target][1]))
    return stages


def judge(tree, mutant, slow, timeouts, env):
    """Builds and runs the suites against the mutant in place in the tree, in
    the planned order, until one fails: (status, who killed it or why it did
    not build)."""
    for stage in plan(mutant.file, slow, timeouts):
        built = tree.build_target(stage.target)
        if built.returncode != 0:
            errors = [line for line in built.stdout.splitlines() if "error" in line]
            return "stillborn", "\n".join(errors[:3]) or built.stdout[-500:]
        by = _run_stage(tree, stage, env)
        if by:
            return "killed", by
    return "survived", ""


def _run_stage(tree, stage, env):
    command = [tree.programs[stage.target], "--gtest_fail_fast", "--gtest_color=no"]
    if stage.filter:
        command.append(f"--gtest_filter={stage.filter}")
    result = tree.run(command, timeout=stage.timeout, env=env)
    return verdict(result.stdout, result.returncode)


def programs(build, env):
    """Each suite's test program in the build tree, as ctest runs it: the
    program is named after its target. The suites must be built, or ctest
    knows only that they are not."""
    listed = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                            capture_output=True, text=True, env=env, timeout=600, check=True)
    found = {}
    for test in json.loads(listed.stdout)["tests"]:
        program = test.get("command", [""])[0]
        if os.path.basename(program) in SUITES:
            found[os.path.basename(program)] = program
    missing = [target for target in SUITES if target not in found]
    if missing:
        sys.exit(f"ctest in {build} runs no program of {', '.join(missing)}")
    return found


def baseline(tree, env):
    """Builds the unmutated suites and runs them; the slow tests and the time
    limits per suite. Every test must pass here."""
    for target in SUITES:
        built = tree.build_target(target)
        if built.returncode != 0:
            sys.exit(f"building {target} in {tree.build} failed:\n{built.stdout[-4000:]}")
    tree.programs = programs(tree.build, env)
    slow, timeouts = {}, {}
    for target in SUITES:
        report = os.path.join(tree.dir, f"{target}.json")
        result = tree.run([tree.programs[target], f"--gtest_output=json:{report}"],
                          timeout=600, env=env)
        if result.returncode != 0:
            sys.exit(f"{target} fails without any mutant:\n{result.stdout[-4000:]}")
        with open(report, encoding="utf-8") as f:
            suites = json.load(f)["testsuites"]
        times = {f"{s['name']}.{t['name']}": float(t["time"].rstrip("s"))
                 for s in suites for t in s["testsuite"]}
        slow[target] = sorted(name for name, seconds in times.items()
                              if seconds >= SLOW_TEST_SECONDS)
        quick_time = sum(s for n, s in times.items() if n not in slow[target])
        slow_time = sum(times[n] for n in slow[target])
        # Generous: a mutant that loops for ever is killed, one that only runs
        # slower on a busy machine is not.
        timeouts[target] = (20 * quick_time + 5, 20 * slow_time + 5)
    return slow, timeouts
