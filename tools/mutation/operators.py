"""The faults one file yields, each as the whole mutated text.

Every operator makes a small change the compiler still accepts as a rule of
the game, such as a comparison one step off or a statement gone, and each
fault gets an id that stays the same while other lines of the file change.
"""

import dataclasses
import difflib
import hashlib
import re

from .statements import find_statements, ternary_conditions
from .tokens import tokenize


@dataclasses.dataclass
class Mutant:
    file: str
    line: int
    operator: str
    description: str
    text: str  # the whole mutated file
    id: str = ""
    diff: str = ""
    # filled in by a run
    status: str = ""  # killed, survived, equivalent, stillborn, not run
    killed_by: str = ""
    reason: str = ""
    seconds: float = 0.0


def mutants_of(path, text):
    """The mutants of the file at `path` (relative to the checkout) whose
    source is `text`, in a stable order, with their ids and diffs."""
    tokens = tokenize(text)
    statements = find_statements(tokens)
    mutants = []

    def replace(start, end, new, operator, description, line_offset=None):
        mutated = text[:start] + new + text[end:]
        line = _line_of(text, start if line_offset is None else line_offset)
        mutants.append(Mutant(path, line, operator, description, mutated))

    _operators_and_numbers(text, tokens, replace)
    _forced_conditions(text, tokens, statements, replace)
    _deleted_statements(text, statements, replace)
    _swapped_statements(text, tokens, statements, replace)
    _early_exits(text, tokens, statements, replace)
    _name(path, text, mutants)
    # A fault the compiler cannot see as one (the same text) is no mutant.
    return [m for m in mutants if m.text != text]


def _operators_and_numbers(text, tokens, replace):
    """Operators and numbers, wherever code stands."""

    def spaced(tok):
        return text[tok.start - 1:tok.start] == " " and text[tok.end:tok.end + 1] == " "

    for i, tok in enumerate(tokens):
        previous = tokens[i - 1].text if i > 0 else ""
        if tok.text in ("<", ">", "<=", ">=") and spaced(tok):
            for new in _flip_relational(tok.text):
                replace(tok.start, tok.end, new, "relational", f"`{tok.text}` → `{new}`")
        elif tok.text in ("==", "!=") and previous != "operator":
            new = "!=" if tok.text == "==" else "=="
            replace(tok.start, tok.end, new, "equality", f"`{tok.text}` → `{new}`")
        elif tok.text in ("&&", "||") and spaced(tok):
            new = "||" if tok.text == "&&" else "&&"
            replace(tok.start, tok.end, new, "logical", f"`{tok.text}` → `{new}`")
        elif tok.kind == "number" and not (previous == "=" and tokens[i - 2].text in
                                            (")", "const", "override")):
            # (not the "= 0" that makes a function pure virtual)
            for new in _number_neighbours(tok.text):
                replace(tok.start, tok.end, new, "constant", f"`{tok.text}` → `{new}`")
        elif tok.text in ("true", "false"):
            new = "false" if tok.text == "true" else "true"
            replace(tok.start, tok.end, new, "constant", f"`{tok.text}` → `{new}`")


def _forced_conditions(text, tokens, statements, replace):
    """Conditions forced either way."""
    spans = [span for s in statements for span in s.conditions]
    bodies = [(s.first, s.last) for s in statements]
    spans += ternary_conditions(tokens, bodies)
    for first, last in sorted(set(spans)):
        start, end = tokens[first].start, tokens[last].end
        original = text[start:end]
        for forced in ("true", "false"):
            if original != forced:
                replace(start, end, forced, "condition",
                        f"condition `{original}` forced {forced}")


def _deleted_statements(text, statements, replace):
    """Statements deleted. A return that ends its function, and a declaration,
    cannot go without breaking the build; the body of an if or a loop goes
    with its condition forced false."""
    for s in statements:
        if s.kind == "declaration" or (s.kind == "return" and s.ends_function):
            continue
        if s.block < 0:
            if s.kind != "block":
                replace(s.start, s.end, "{}", "delete", f"deleted `{text[s.start:s.end]}`")
            continue
        span = _whole_lines(text, s.start, s.end)
        label = _label(text, s)
        if span:
            replace(span[0], span[1], "", "delete", f"deleted `{label}`", s.start)
        else:
            replace(s.start, s.end, "", "delete", f"deleted `{label}`")


def _swapped_statements(text, tokens, statements, replace):
    """Neighbouring statements swapped, unless the second uses what the first
    declares."""
    by_block = {}
    for s in statements:
        if s.block > 0:
            by_block.setdefault(s.block, []).append(s)
    for siblings in by_block.values():
        siblings.sort(key=lambda s: s.start)
        for a, b in zip(siblings, siblings[1:]):
            if a.kind == "declaration" and b.kind == "declaration":
                continue
            if a.kind == "declaration":
                used = {tokens[k].text for k in range(b.first, b.last + 1)}
                if used & set(a.declares.split()):
                    continue
            span_a = _whole_lines(text, a.start, a.end)
            span_b = _whole_lines(text, b.start, b.end)
            if span_a and span_b and span_a[1] == span_b[0]:
                lines_a = text[span_a[0]:span_a[1]]
                lines_b = text[span_b[0]:span_b[1]]
                replace(span_a[0], span_b[1], lines_b + lines_a, "swap",
                        "swapped with the next statement", a.start)
            else:
                between = text[a.end:b.start]
                replace(a.start, b.end, text[b.start:b.end] + between + text[a.start:a.end],
                        "swap", "swapped with the next statement")


LOOPS = ("for", "while")
JUMPS = ("return", "break", "continue", "goto", "throw")


def _early_exits(text, tokens, statements, replace):
    """A loop left early: `break;` after a statement of its body, and in a
    void function `return;` too where that leaves more than the loop. A loop
    that must look at every cell, not stop at its first match, dies of these;
    so does one that must look no further than it does."""
    for s in sorted(statements, key=lambda s: s.start):
        loop = _enclosing_loop(s)
        if loop is None or s.kind == "block" or tokens[s.first].text in JUMPS:
            continue
        following = _next_statement(s)
        if following is not None and tokens[following.first].text in JUMPS:
            continue  # it leaves already
        exits = ["break;"]
        if s.function.returns_void and _more_than_the_loop(loop):
            exits.append("return;")
        statement = text[s.start:s.end]
        for exit in exits:
            description = f"`{exit}` after `{_label(text, s)}`"
            if s.block < 0:
                # A body without braces gets them, or the exit would follow the loop.
                replace(s.start, s.end, f"{{ {statement} {exit} }}", "exit", description)
            elif _whole_lines(text, s.start, s.end):
                line_start = text.rfind("\n", 0, s.start) + 1
                indent = text[line_start:s.start]
                replace(s.end, s.end, f"\n{indent}{exit}", "exit", description, s.start)
            else:
                replace(s.end, s.end, f" {exit}", "exit", description, s.start)


def _enclosing_loop(s):
    p = s.parent
    while p is not None and p.kind not in LOOPS:
        p = p.parent
    return p


def _next_statement(s):
    """The statement after s in the same block, None for the last one or for
    a body without braces."""
    if s.parent is None:
        siblings = s.function.body
    elif s.parent.kind == "block":
        siblings = s.parent.children
    else:
        return None
    place = siblings.index(s)
    return siblings[place + 1] if place + 1 < len(siblings) else None


def _more_than_the_loop(loop):
    """Whether anything of its function can run after the loop ends: an outer
    loop, or a statement after it or after what holds it."""
    s = loop
    while s.parent is not None:
        if s.parent.kind in LOOPS:
            return True
        if s.parent.kind == "block" and s.parent.children[-1] is not s:
            return True
        s = s.parent
    return s.function.body[-1] is not s


def _name(path, text, mutants):
    """Stable names: the same fault keeps its id when other lines change."""
    seen = {}
    for m in mutants:
        changed = "".join(
            line for line in difflib.unified_diff(text.splitlines(True), m.text.splitlines(True),
                                                  n=0)
            if line[:1] in "+-" and not line.startswith(("+++", "---")))
        key = f"{m.file}\n{m.operator}\n{m.description}\n{changed}"
        seen[key] = seen.get(key, 0) + 1
        m.id = hashlib.sha1(f"{key}\n{seen[key]}".encode()).hexdigest()[:8]
        m.diff = "".join(difflib.unified_diff(text.splitlines(True), m.text.splitlines(True),
                                              fromfile=f"a/{path}", tofile=f"b/{path}", n=2))


def _line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def _label(text, s):
    """A statement's first line, cut short for a description."""
    first_line = text[s.start:s.end].splitlines()[0]
    return first_line if len(first_line) < 60 else first_line[:57] + "..."


def _whole_lines(text, start, end):
    """The span of the full lines holding [start, end) if nothing else is on them."""
    line_start = text.rfind("\n", 0, start) + 1
    line_end = text.find("\n", end)
    line_end = len(text) if line_end < 0 else line_end + 1
    if text[line_start:start].strip() or text[end:line_end].strip():
        return None
    return line_start, line_end


def _flip_relational(op):
    return {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"]}[op]


def _number_neighbours(text):
    m = re.fullmatch(r"(\d+)(\.0*)?([fFuUlL]*)", text)
    if not m:
        return []
    value = int(m.group(1))
    fraction, suffix = m.group(2) or "", m.group(3)
    results = [f"{value + 1}{fraction}{suffix}"]
    if value > 0:
        results.append(f"{value - 1}{fraction}{suffix}")
    elif not suffix.lower().startswith("u"):
        results.append(f"-1{fraction}{suffix}")
    return results
