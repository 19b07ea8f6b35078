"""The workers at it: every tree set up and checked unmutated, then the
mutants handed out one at a time to whichever tree is free."""

import os
import queue
import signal
import sys
import threading
import time

from . import ROOT, WORK
from .suites import baseline, judge
from .trees import Interrupted, Tree, test_environment, tracked_files, write_precompile


class Workers:
    def __init__(self, jobs):
        write_precompile()
        cores = os.cpu_count() or 1
        self.trees = [Tree(n + 1, max(1, cores // jobs)) for n in range(jobs)]
        self.env = test_environment()
        self.slow = self.timeouts = None
        signal.signal(signal.SIGINT, self._interrupt)
        signal.signal(signal.SIGTERM, self._interrupt)

    def _interrupt(self, signum, frame):
        for tree in self.trees:
            tree.stop = True
            tree.kill()
        raise KeyboardInterrupt()

    def set_up(self):
        """Every tree gets the checkout's files and builds and runs them
        unmutated. False if a tree could not be set up."""
        files = tracked_files()
        results = {}

        def set_up(tree):
            try:
                tree.sync(files)
                tree.configure()
                results[tree.dir] = baseline(tree, self.env)
            except Interrupted:
                pass
            except SystemExit as failed:
                # A thread that exits ends only itself, and says nothing.
                print(failed.code, file=sys.stderr, flush=True)

        print(f"setting up {len(self.trees)} build trees under {os.path.relpath(WORK, ROOT)}/ ...",
              flush=True)
        _run_all(set_up, self.trees)
        if len(results) != len(self.trees):
            return False
        self.slow, self.timeouts = next(iter(results.values()))
        return True

    def run(self, to_run):
        """Tries every mutant of to_run, recording its verdict in it. False if
        interrupted."""
        pending = queue.Queue()
        # Headers first: their mutants rebuild the most, so they are best not left
        # for one worker at the end.
        for m in sorted(to_run, key=lambda m: (not m.file.endswith(".h"), m.file, m.line)):
            pending.put(m)
        done = [0]
        lock = threading.Lock()

        def work(tree):
            while not tree.stop:
                try:
                    m = pending.get_nowait()
                except queue.Empty:
                    return
                begun = time.time()
                try:
                    tree.put(m.file, m.text)
                    status, by = judge(tree, m, self.slow, self.timeouts, self.env)
                except Interrupted:
                    return
                finally:
                    tree.restore()
                m.seconds = time.time() - begun
                _record(m, status, by)
                with lock:
                    done[0] += 1
                    shown = by.splitlines()[0] if by else ""
                    print(f"[{done[0]:3}/{len(to_run)}] {m.id} {m.file}:{m.line} {m.operator}: "
                          f"{m.description}: {status}{' by ' + shown if shown else ''} "
                          f"({m.seconds:.1f} s)", flush=True)

        try:
            _run_all(work, self.trees)
            return True
        except KeyboardInterrupt:
            print("interrupted; restoring the sources and writing what was found",
                  file=sys.stderr)
            return False
        finally:
            for tree in self.trees:
                tree.restore()


def _record(m, status, by):
    """A mutant's verdict. A listed equivalent that was run keeps its status,
    but a test that kills it says the listing is wrong."""
    if m.status == "equivalent":
        if status == "killed":
            m.reason += f" [but killed by {by}: the listing is wrong]"
        return
    m.status = status
    if status == "killed":
        m.killed_by = by
    elif status == "stillborn":
        m.reason = by


def _run_all(job, trees):
    """Runs job(tree) for every tree at once. Waiting in short joins keeps the
    main thread free to take a signal; an interrupt waits for the threads to
    notice, then goes on."""
    threads = [threading.Thread(target=job, args=(t,)) for t in trees]
    for t in threads:
        t.start()
    try:
        while any(t.is_alive() for t in threads):
            for t in threads:
                t.join(0.2)
    except KeyboardInterrupt:
        for t in threads:
            t.join()
        raise
