"""C++ source text as tokens, for finding statements and operators in it.

Comments and preprocessor lines are no code to mutate and are left out; every
token keeps its offsets in the text, so a mutant is a splice of the original.
"""

import dataclasses
import re

_TOKEN = re.compile(
    r"""
    (?P<ws>\s+)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<raw>(?:u8|u|U|L)?R"(?P<delimiter>[^()\\\s"]{0,16})\(.*?\)(?P=delimiter)")
  | (?P<string>(?:u8|u|U|L)?"(?:\\.|[^"\\\n])*")
  | (?P<char>(?:u8|u|U|L)?'(?:\\.|[^'\\\n])+')
  | (?P<number>0[xX][0-9a-fA-F']+[uUlL]*|(?:\d[\d']*\.?\d*|\.\d+)(?:[eE][+-]?\d+)?[fFuUlL]*)
  | (?P<ident>[^\W\d]\w*)
  | (?P<op>>>=|<<=|<=>|->\*|\.\.\.|::|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|\.\*|[^\s\w])
    """,
    re.VERBOSE | re.DOTALL,
)


@dataclasses.dataclass
class Token:
    kind: str  # string, char, number, ident or op
    text: str
    start: int
    end: int


def tokenize(text):
    tokens = []
    pos = 0
    line_start = True
    while pos < len(text):
        if line_start:
            # A preprocessor line is no code to mutate.
            m = re.match(r"[ \t]*#(?:[^\n\\]|\\.)*", text[pos:], re.DOTALL)
            if m:
                pos += m.end()
                continue
        m = _TOKEN.match(text, pos)
        if not m:
            raise ValueError(f"cannot read the code at offset {pos}")
        # A raw string is a string: only its delimiters are read differently.
        kind = "string" if m.lastgroup == "raw" else m.lastgroup
        if kind == "ws":
            line_start = "\n" in m.group()
        else:
            line_start = False
            if kind != "comment":
                tokens.append(Token(kind, m.group(), m.start(), m.end()))
        pos = m.end()
    return tokens
