"""The report of a run, build-mutants/report.md: the counts, then every
mutant with its diff, survivors first."""

import os
import subprocess
import time

from . import ROOT


def count(mutants):
    counts = {}
    for m in mutants:
        counts[m.status] = counts.get(m.status, 0) + 1
    return counts


def revision():
    """The checkout's commit, and whether it has uncommitted changes, as the
    trees copy it."""
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"],
                            capture_output=True, text=True).stdout.strip()
    dirty = subprocess.run(["git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no"],
                           capture_output=True, text=True).stdout.strip()
    return commit + (" with uncommitted changes" if dirty else "")


def write_report(mutants, started, commit, setup_seconds, seconds, jobs, loads, complete, path):
    counts = count(mutants)
    made = len(mutants)
    lines = [
        "# Mutation testing report",
        "",
        f"- started {time.strftime('%Y-%m-%d %H:%M:%S', time.localtime(started))}, "
        f"commit {commit}",
        f"- {jobs} workers; load average {loads[0]} at the start, {loads[1]} at the end "
        f"({os.cpu_count()} cores)",
        f"- set-up (copy and build of the unmutated suites): {setup_seconds:.0f} s; "
        f"the catalogue: {seconds:.0f} s ({seconds / 60:.1f} min)",
        "" if complete else "- **interrupted: the counts below are of a partial run**",
        "",
        "| made | killed | equivalent | survived | did not build | not run |",
        "| --- | --- | --- | --- | --- | --- |",
        f"| {made} | {counts.get('killed', 0)} | {counts.get('equivalent', 0)} | "
        f"{counts.get('survived', 0)} | {counts.get('stillborn', 0)} | "
        f"{counts.get('not run', 0)} |",
        "",
    ]

    def section(title, status, detail):
        chosen = [m for m in mutants if m.status == status]
        if not chosen:
            return
        lines.extend([f"## {title} ({len(chosen)})", ""])
        for m in chosen:
            lines.append(f"### {m.id} {m.file}:{m.line} {m.operator}: {m.description}")
            if detail(m):
                lines.append("")
                lines.append(detail(m))
            lines.extend(["", "```diff", m.diff.rstrip("\n"), "```", ""])

    section("Survived", "survived", lambda m: "")
    section("Did not build", "stillborn", lambda m: m.reason)
    section("Killed", "killed", lambda m: f"killed by {m.killed_by} ({m.seconds:.1f} s)")
    section("Equivalent", "equivalent", lambda m: f"equivalent: {m.reason}")
    section("Not run", "not run", lambda m: "")

    killers = {}
    for m in mutants:
        if m.status == "killed":
            killers[m.killed_by] = killers.get(m.killed_by, 0) + 1
    lines.extend(["## Tests by the mutants they killed first", ""])
    for name, n in sorted(killers.items(), key=lambda kv: (-kv[1], kv[0])):
        lines.append(f"- {n} {name}")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return counts
