"""Where the statements of a C++ file are, and the conditions they test.

Only what the operators need: the statements inside function and lambda
bodies (a class's or a namespace's braces hold none), each with its kind, its
place, the block it belongs to, the statement it is part of and its function,
and the token spans of the conditions of if, while, for and ?:.
"""

import dataclasses


@dataclasses.dataclass
class Statement:
    kind: str  # simple, declaration, return, block, if, for, while
    start: int  # offsets in the text
    end: int
    first: int  # token indices, inclusive
    last: int
    block: int  # id of the enclosing block
    conditions: list  # (first, last) token spans of if/while/for conditions
    declares: str = ""
    ends_function: bool = False
    # The if, loop or block this one is part of, None at the top of a body;
    # the statements this one holds; and the function it is in.
    parent: "Statement" = dataclasses.field(default=None, repr=False, compare=False)
    children: list = dataclasses.field(default_factory=list, repr=False, compare=False)
    function: "Function" = dataclasses.field(default=None, repr=False, compare=False)


@dataclasses.dataclass
class Function:
    returns_void: bool  # a lambda's is not known, and taken as not
    body: list  # the statements at the top of its body


CONTROL = {"if", "for", "while", "switch", "catch"}
AFTER_PARAMETERS = {"const", "override", "noexcept", "final", "mutable"}


def find_statements(tokens):
    """The statements of every function body in the tokens, each compound
    statement after those it holds."""
    return _Parser(tokens).parse_file()


_CLOSING = {"(": ")", "[": "]", "{": "}"}
_OPENING = {closing: opening for opening, closing in _CLOSING.items()}


def _partner(tokens, i):
    """Index of the bracket that closes the opening bracket tokens[i], or
    opens the closing one."""
    bracket = tokens[i].text
    if bracket in _CLOSING:
        partner, step, stop = _CLOSING[bracket], 1, len(tokens)
    else:
        partner, step, stop = _OPENING[bracket], -1, -1
    depth = 0
    for j in range(i, stop, step):
        if tokens[j].text == bracket:
            depth += 1
        elif tokens[j].text == partner:
            depth -= 1
            if depth == 0:
                return j
    raise ValueError(f"unbalanced {bracket} at offset {tokens[i].start}")


def _returns_void(tokens, i):
    """Whether the function whose body the { at tokens[i] opens is declared
    void: its name, qualified or not, comes straight after the word."""
    j = i - 1
    while tokens[j].text in AFTER_PARAMETERS:
        j -= 1
    if tokens[j].text != ")":
        return False
    name = _partner(tokens, j) - 1
    if tokens[name].kind != "ident":
        return False
    while name >= 2 and tokens[name - 1].text == "::" and tokens[name - 2].kind == "ident":
        name -= 2
    return name >= 1 and tokens[name - 1].text == "void"


def _is_function_body(tokens, i):
    """Whether the { at tokens[i] opens a function's or a lambda's body."""
    j = i - 1
    while j >= 0 and tokens[j].text in AFTER_PARAMETERS:
        j -= 1
    if j < 0:
        return False
    if tokens[j].text == "]":
        return True
    if tokens[j].text != ")":
        return False
    before = _partner(tokens, j) - 1
    return before >= 0 and tokens[before].text not in CONTROL


class _Parser:
    def __init__(self, tokens):
        self.t = tokens
        self.statements = []
        self.blocks = 0

    def parse_file(self):
        i = 0
        while i < len(self.t):
            if self.t[i].text == "{" and _is_function_body(self.t, i):
                end, body = self.block(i, function=True)
                function = Function(_returns_void(self.t, i), body)
                for s in _within(body):
                    s.function = function
                i = end + 1
            else:
                i += 1
        return self.statements

    def block(self, i, function=False):
        """Parses the statements of the block opened at i; the index of its }
        and the statements."""
        self.blocks += 1
        block_id = self.blocks
        close = _partner(self.t, i)
        j = i + 1
        inner = []
        while j < close:
            j = self.statement(j, block_id, inner) + 1
        if function and inner:
            inner[-1].ends_function = True
        return close, inner

    def statement(self, i, block_id, siblings):
        t = self.t
        word = t[i].text
        conditions = []
        children = []
        if word == "{":
            last, children = self.block(i)
            kind = "block"
        elif word in ("if", "while"):
            close = _partner(t, i + 1)
            conditions.append((i + 2, close - 1))
            last = self.statement(close + 1, -1, children)
            if word == "if" and last + 1 < len(t) and t[last + 1].text == "else":
                last = self.statement(last + 2, -1, children)
            kind = word
        elif word == "for":
            close = _partner(t, i + 1)
            semicolons = [k for k in range(i + 2, close) if t[k].text == ";"
                          and self._depth(i + 2, k) == 0]
            if len(semicolons) == 2 and semicolons[1] > semicolons[0] + 1:
                conditions.append((semicolons[0] + 1, semicolons[1] - 1))
            last = self.statement(close + 1, -1, children)
            kind = "for"
        else:
            last = i
            depth = 0
            while True:
                text = t[last].text
                if text in "([{":
                    depth += 1
                elif text in ")]}":
                    depth -= 1
                elif text == ";" and depth == 0:
                    break
                last += 1
            kind = "simple"
            if word == "return":
                kind = "return"
            elif self._declaration(i, last):
                kind = "declaration"
        s = Statement(kind, t[i].start, t[last].end, i, last, block_id, conditions,
                      children=children)
        for child in children:
            child.parent = s
        if kind == "declaration":
            s.declares = self._declared_names(i, last)
        self.statements.append(s)
        siblings.append(s)
        return last

    def _depth(self, start, k):
        depth = 0
        for m in range(start, k):
            if self.t[m].text in "([{":
                depth += 1
            elif self.t[m].text in ")]}":
                depth -= 1
        return depth

    def _declaration(self, first, last):
        """Whether the statement is "[const] Type [&] name ..." rather than an
        expression: a type name, its qualifiers and template arguments, then
        the declared name."""
        t = self.t
        k = first
        if t[k].kind != "ident" or t[k].text in ("return", "throw", "delete", "break",
                                                  "continue", "goto"):
            return False
        while k <= last and t[k].text in ("const", "constexpr", "static", "unsigned"):
            k += 1
        if k > last or t[k].kind != "ident":
            return False
        k += 1
        while k <= last:
            text = t[k].text
            if text == "::" and k + 1 <= last and t[k + 1].kind == "ident":
                k += 2
            elif text == "<" and t[k - 1].end == t[k].start:
                depth = 0
                while k <= last:
                    depth += {"<": 1, ">": -1, ">>": -2}.get(t[k].text, 0)
                    k += 1
                    if depth <= 0:
                        break
            elif text in ("&", "*", "const"):
                k += 1
            else:
                break
        return k <= last and t[k].kind == "ident" and k + 1 <= last and \
            t[k + 1].text in ("=", "{", ";", "(", ",", "[")

    def _declared_names(self, first, last):
        names = set()
        t = self.t
        for k in range(first + 1, last):
            if (t[k].kind == "ident" and t[k + 1].text in ("=", "{", ";", ",", "(", "[")
                    and (t[k - 1].kind == "ident" or t[k - 1].text in ("&", "*", ">", ">>", ","))
                    and self._depth(first, k) == 0):
                names.add(t[k].text)
        return " ".join(sorted(names))


def _within(statements):
    """The statements and every statement they hold."""
    for s in statements:
        yield s
        yield from _within(s.children)


def ternary_conditions(tokens, code_ranges):
    """Token spans of the conditions of ?: expressions within code_ranges."""
    spans = []
    stops = {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "return", ",", "?", ":", ";",
             "{", "("}
    for q, tok in enumerate(tokens):
        if tok.text != "?" or not any(a <= q <= b for a, b in code_ranges):
            continue
        k = q - 1
        depth = 0
        while k >= 0:
            text = tokens[k].text
            if text in ")]":
                depth += 1
            elif text in "([" and depth > 0:
                depth -= 1
            elif depth == 0 and text in stops:
                break
            k -= 1
        spans.append((k + 1, q - 1))
    return spans
