"""The statement finder on C++ that could fool it. A statement it misses is
never mutated; one it cuts in the wrong place gives mutants that do not build
and so test nothing."""

import unittest

from mutation.statements import find_statements, ternary_conditions
from mutation.tokens import tokenize


def found(code):
    """Each statement as (kind, its text), in the order of the text; a
    declaration's kind names what it declares, a last statement of a function
    is marked with "end"."""
    statements = sorted(find_statements(tokenize(code)), key=lambda s: s.start)
    rows = []
    for s in statements:
        kind = f"{s.kind} {s.declares}" if s.kind == "declaration" else s.kind
        rows.append((kind + (" end" if s.ends_function else ""), code[s.start:s.end]))
    return rows


def conditions(code):
    tokens = tokenize(code)
    statements = find_statements(tokens)
    spans = [span for s in statements for span in s.conditions]
    spans += ternary_conditions(tokens, [(s.first, s.last) for s in statements])
    return sorted(code[tokens[a].start:tokens[b].end] for a, b in spans)


class FindStatementsTest(unittest.TestCase):
    def test_finds_every_statement_of_a_body_and_no_other(self):
        rows = [
            ("brackets and semicolons in strings and comments",
             'void f() { s = "};{"; /* } */ t = \'{\'; // }\n u = R"(")"; g(); }',
             [("simple", 's = "};{";'), ("simple", "t = '{';"), ("simple", 'u = R"(")";'),
              ("simple end", "g();")]),
            ("declarations with template arguments, and a comparison that is none",
             "int f() { std::array<std::array<int, 4>, 4> grid{};"
             " std::vector<std::vector<int>> v; a < b; return x; }",
             [("declaration grid", "std::array<std::array<int, 4>, 4> grid{};"),
              ("declaration v", "std::vector<std::vector<int>> v;"), ("simple", "a < b;"),
              ("return end", "return x;")]),
            ("a lambda in a body is part of its statement; one outside has a body",
             "void f() { auto add = [&](int k) { total += k; return k; }; add(1); }\n"
             "const auto twice = [](int x) { return x * 2; };",
             [("declaration add", "auto add = [&](int k) { total += k; return k; };"),
              ("simple end", "add(1);"), ("return end", "return x * 2;")]),
            ("Cyrillic handlers, an if and its braced body",
             "void Game::Новая_Click() {\n    if (State.GameMode == FifteenPuzzle) {\n"
             "        DealFifteen();\n    }\n}\n",
             [("if end", "if (State.GameMode == FifteenPuzzle) {\n        DealFifteen();\n    }"),
              ("block", "{\n        DealFifteen();\n    }"), ("simple", "DealFifteen();")]),
            ("loops, and bodies without braces",
             "void f() { for (int k = 1; k <= 16; ++k) { Cells(k) = 0; }\n"
             " while (IsAmong(x)) x = Draw();\n if (a) b(); else c(); }",
             [("for", "for (int k = 1; k <= 16; ++k) { Cells(k) = 0; }"),
              ("block", "{ Cells(k) = 0; }"), ("simple", "Cells(k) = 0;"),
              ("while", "while (IsAmong(x)) x = Draw();"), ("simple", "x = Draw();"),
              ("if end", "if (a) b(); else c();"), ("simple", "b();"), ("simple", "c();")]),
            ("a class holds no statements, but its members' bodies do",
             "class Game {\n  public:\n    Game(Board& board) : board_(board) {}\n"
             "    void Image17_Click() { CellClick(1); }\n    Word FlipCount = 0;\n"
             "    bool operator==(const Game&) const = default;\n    Board& board_;\n};",
             [("simple end", "CellClick(1);")]),
        ]
        for name, code, expected in rows:
            with self.subTest(name):
                self.assertEqual(found(code), expected)

    def test_finds_the_conditions_of_if_while_for_and_ternaries(self):
        code = ("void f() { if (a && b) { d = x > y ? x - y : y - x; }\n"
                " while (n != 0) { n = (n > 3 ? n - 3 : 0); }\n"
                " for (int k = 1; k <= CellCount; ++k) {}\n for (;;) {} }")
        self.assertEqual(conditions(code), ["a && b", "k <= CellCount", "n != 0", "n > 3",
                                            "x > y"])


if __name__ == "__main__":
    unittest.main()
