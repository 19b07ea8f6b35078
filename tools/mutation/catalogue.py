"""What is mutated, every mutant of it, and the mutants known to be equivalent."""

import glob
import os
import re
import sys

from . import ROOT
from .operators import mutants_of

# What is mutated.
MUTATED = ["game/*.cpp", "game/*.h", "ui/board_refresh.cpp", "ui/accessible_board.cpp"]

EQUIVALENT_LIST = os.path.join(ROOT, "tools", "mutants-equivalent.txt")


def all_mutants():
    files = []
    for pattern in MUTATED:
        files += sorted(os.path.relpath(p, ROOT) for p in glob.glob(os.path.join(ROOT, pattern)))
    mutants = []
    for path in files:
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            mutants += mutants_of(path, f.read())
    return mutants


def read_equivalents():
    """id -> reason, from the committed list."""
    equivalents = {}
    if not os.path.exists(EQUIVALENT_LIST):
        return equivalents
    with open(EQUIVALENT_LIST, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 2)
            if len(parts) < 3 or not re.fullmatch(r"[0-9a-f]{8}", parts[0]):
                sys.exit(f"{EQUIVALENT_LIST}:{number}: want '<id> <file:line> <why>'")
            equivalents[parts[0]] = parts[2]
    return equivalents
