"""The workers' copies of the checkout: copying, configuring, building, and
running a process there that an interrupt can end."""

import os
import shutil
import signal
import subprocess
import sys

from . import ROOT, WORK

# The test programs spend most of their build time in the GoogleTest and Qt
# headers; precompiling those keeps a rebuild after a header mutant short.
PRECOMPILE = """\
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _mutants_precompile)
function(_mutants_precompile)
    foreach(target game_tests board_refresh_tests)
        if(TARGET ${target})
            target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <algorithm> <array>
                                      <random> <set> <sstream> <string> <vector>)
        endif()
    endforeach()
    if(TARGET window_tests)
        target_precompile_headers(window_tests PRIVATE <gtest/gtest.h> <QtWidgets> <QTest>)
    endif()
    if(TARGET form)
        target_precompile_headers(form PRIVATE <QtWidgets>)
    endif()
endfunction()
"""


class Interrupted(Exception):
    pass


def tracked_files():
    """The checkout's files, as tools/checkout-files lists them."""
    out = subprocess.run([os.path.join(ROOT, "tools", "checkout-files")], capture_output=True,
                         text=True, check=True).stdout
    return [p for p in out.split("\0") if p]


def write_precompile():
    os.makedirs(WORK, exist_ok=True)
    with open(os.path.join(WORK, "precompile.cmake"), "w", encoding="utf-8") as f:
        f.write(PRECOMPILE)


def test_environment():
    runtime = os.path.join(WORK, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ)
    env.update({"QT_QPA_PLATFORM": "offscreen", "XDG_RUNTIME_DIR": runtime})
    return env


class Tree:
    """One worker's copy of the sources and its build of the suites."""

    def __init__(self, number, build_jobs):
        self.dir = os.path.join(WORK, f"tree{number}")
        self.src = os.path.join(self.dir, "src")
        self.build = os.path.join(self.dir, "build")
        self.build_jobs = build_jobs
        self.process = None
        self.stop = False
        self.mutated = None  # (path, original text) while a mutant is in place
        self.programs = {}  # each suite's test program, by target, once built

    def sync(self, files):
        """Copies the checkout's files in, rewriting only those that differ."""
        wanted = set(files)
        for path in files:
            source = os.path.join(ROOT, path)
            target = os.path.join(self.src, path)
            with open(source, "rb") as f:
                data = f.read()
            if os.path.exists(target):
                with open(target, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
            shutil.copymode(source, target)
        for base, _, names in os.walk(self.src):
            for name in names:
                path = os.path.relpath(os.path.join(base, name), self.src)
                if path not in wanted:
                    os.remove(os.path.join(base, name))

    def configure(self):
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        precompile = os.path.join(WORK, "precompile.cmake")
        cache = os.path.join(self.build, "CMakeCache.txt")
        if os.path.exists(cache) and generator:
            with open(cache, encoding="utf-8", errors="replace") as f:
                if "CMAKE_GENERATOR:INTERNAL=Ninja" not in f.read():
                    shutil.rmtree(self.build)
        result = self.run(
            ["cmake", "-S", self.src, "-B", self.build, *generator, "-DCMAKE_BUILD_TYPE=",
             "-DCMAKE_CXX_FLAGS=-O1 -w", "-DCMAKE_COMPILE_WARNING_AS_ERROR=OFF",
             "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST",
             f"-DCMAKE_PROJECT_INCLUDE={precompile}"], timeout=600)
        if result.returncode != 0:
            sys.exit(f"configuring {self.build} failed:\n{result.stdout[-3000:]}")

    def run(self, command, timeout, env=None):
        if self.stop:
            raise Interrupted()
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True,
                                        errors="replace", env=env, start_new_session=True)
        try:
            out, _ = self.process.communicate(timeout=timeout)
            result = subprocess.CompletedProcess(command, self.process.returncode, out)
        except subprocess.TimeoutExpired:
            self.kill()
            out, _ = self.process.communicate()
            result = subprocess.CompletedProcess(command, None, out)
        finally:
            self.process = None
        if self.stop:
            raise Interrupted()
        return result

    def kill(self):
        process = self.process
        if process is not None and process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def build_target(self, target):
        command = ["cmake", "--build", self.build, "--target", target, "--parallel",
                   str(self.build_jobs)]
        return self.run(command, timeout=900)

    def put(self, path, text):
        target = os.path.join(self.src, path)
        with open(target, encoding="utf-8") as f:
            original = f.read()
        self.mutated = (target, original)
        with open(target, "w", encoding="utf-8") as f:
            f.write(text)

    def restore(self):
        if self.mutated:
            target, original = self.mutated
            with open(target, "w", encoding="utf-8") as f:
                f.write(original)
            self.mutated = None
