"""The command line: which mutants, then a listing or a run and its report."""

import argparse
import os
import sys
import time

from . import ROOT, WORK, __doc__ as ABOUT
from .catalogue import EQUIVALENT_LIST, all_mutants, read_equivalents
from .report import revision, write_report
from .run import Workers


def main(argv=None):
    args = _arguments(argv)
    mutants = _chosen(args)
    if args.list:
        _print_list(mutants, args.diff)
        return 0

    started = time.time()
    commit = revision()
    loads = [f"{os.getloadavg()[0]:.2f}", ""]
    jobs = max(1, args.jobs)
    workers = Workers(jobs)
    try:
        if not workers.set_up():
            return 1
    except KeyboardInterrupt:
        print("interrupted while setting up", file=sys.stderr)
        return 130
    setup_seconds = time.time() - started

    to_run = [m for m in mutants if m.status != "equivalent" or args.run_equivalent]
    for m in mutants:
        if m.status != "equivalent":
            m.status = "not run"
    catalogue_start = time.time()
    complete = workers.run(to_run)
    seconds = time.time() - catalogue_start
    loads[1] = f"{os.getloadavg()[0]:.2f}"

    counts = write_report(mutants, started, commit, setup_seconds, seconds, jobs, loads, complete,
                          args.report)
    print()
    print(f"mutants made {len(mutants)}: killed {counts.get('killed', 0)}, "
          f"equivalent {counts.get('equivalent', 0)}, survived {counts.get('survived', 0)}, "
          f"did not build {counts.get('stillborn', 0)}, not run {counts.get('not run', 0)}")
    print(f"catalogue {seconds:.0f} s ({seconds / 60:.1f} min) after {setup_seconds:.0f} s "
          f"of set-up, {jobs} workers; report: {os.path.relpath(args.report, ROOT)}")
    if not complete:
        return 130
    return 1 if counts.get("survived", 0) else 0


def _arguments(argv):
    parser = argparse.ArgumentParser(prog="tools/mutants", description=ABOUT.split("\n\n")[0])
    parser.add_argument("--jobs", type=int, default=min(2, os.cpu_count() or 1),
                        help="mutants built and run at once, each in its own tree (default 2)")
    parser.add_argument("--file", action="append", default=[],
                        help="mutate only this file (may be given more than once)")
    parser.add_argument("--limit", type=int, default=0, help="run only the first N mutants")
    parser.add_argument("--id", action="append", default=[], help="run only these mutants")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--diff", action="store_true", help="with --list, show each diff")
    parser.add_argument("--run-equivalent", action="store_true",
                        help="run the listed equivalent mutants too")
    parser.add_argument("--report", default=os.path.join(WORK, "report.md"))
    return parser.parse_args(argv)


def _chosen(args):
    """The mutants the arguments ask for, the listed equivalents marked. Warns,
    on a run, of entries of the list that name no mutant any more."""
    mutants = all_mutants()
    equivalents = read_equivalents()
    stale = sorted(set(equivalents) - {m.id for m in mutants})
    if args.file:
        mutants = [m for m in mutants if m.file in args.file]
    if args.id:
        mutants = [m for m in mutants if m.id in args.id]
    if args.limit:
        mutants = mutants[:args.limit]
    for m in mutants:
        if m.id in equivalents:
            m.status, m.reason = "equivalent", equivalents[m.id]
    if stale and not args.list:
        print(f"warning: {len(stale)} entries of {os.path.relpath(EQUIVALENT_LIST, ROOT)} "
              f"name no mutant any more: {' '.join(stale)}", file=sys.stderr)
    return mutants


def _print_list(mutants, diff):
    for m in mutants:
        mark = "  (equivalent)" if m.status == "equivalent" else ""
        print(f"{m.id} {m.file}:{m.line} {m.operator}: {m.description}{mark}")
        if diff:
            print(m.diff)
    print(f"{len(mutants)} mutants")
