"""Mutation testing of the game's rules and the board refresh.

Makes small faults ("mutants") in game/, ui/board_refresh.cpp and
ui/accessible_board.cpp, one at a time, builds each and runs the suites that
need no X server against it. A mutant that some test fails on is killed; one
that passes every test has survived, and shows a behaviour no test pins down.
Mutants that cannot change what the game does are listed, each with its
reason, in tools/mutants-equivalent.txt and are not run.

The faults: a relational operator moved across its boundary or negated, == and
!= swapped, && and || swapped, a number or true/false moved by one, a
statement deleted, two neighbouring statements swapped, a condition forced
true or false, a loop left early (break, or return) after one of its
statements.

Each worker mutates its own copy of the sources under build-mutants/ and
builds there, so the checkout and build/ are never touched; only the mutated
file's objects and the test programs that link them are rebuilt.

    tools/mutants                 # the whole catalogue; report in build-mutants/report.md
    tools/mutants --list          # the mutants, without building anything
    tools/mutants --limit 5       # the first five only
    tools/mutants --file game/moves.cpp --jobs 1

The modules, in the order a run uses them: tokens (C++ text to tokens),
statements (where the statements and conditions are), operators (the faults
one file yields), catalogue (every file's faults and the equivalent list),
trees (the workers' copies, their builds and processes), suites (which tests
run in what order, and who killed a mutant), run (the workers at it),
report (build-mutants/report.md) and main (the command line).
"""

import os

# The checkout, and the scratch directory every run works in.
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WORK = os.path.join(ROOT, "build-mutants")
