"""The tokenizer on C++ that could fool it: a token read wrongly moves every
bracket and semicolon after it, and with them every statement."""

import unittest

from mutation.tokens import tokenize


def kinds_and_texts(code):
    return [(t.kind, t.text) for t in tokenize(code)]


class TokenizeTest(unittest.TestCase):
    def test_reads_each_token_whole(self):
        rows = [
            ("a comment's signs inside a string, a quote inside a char",
             's = "a // b; /* {" + \'"\';',
             [("ident", "s"), ("op", "="), ("string", '"a // b; /* {"'), ("op", "+"),
              ("char", "'\"'"), ("op", ";")]),
            ("escaped quotes and backslashes, and a char with a prefix",
             r'''e = "say \"}\" \\"; c = L'\'';''',
             [("ident", "e"), ("op", "="), ("string", r'"say \"}\" \\"'), ("op", ";"),
              ("ident", "c"), ("op", "="), ("char", r"L'\''"), ("op", ";")]),
            ("raw strings hold quotes, backslashes and new lines",
             'r = R"(a "quoted" \\ part)" + u8R"x(one )" two\n)x";',
             [("ident", "r"), ("op", "="), ("string", 'R"(a "quoted" \\ part)"'), ("op", "+"),
              ("string", 'u8R"x(one )" two\n)x"'), ("op", ";")]),
            ("comments, with brackets and quotes in them, are left out",
             'a /* } " */ = 1; // { "\nb = 2;',
             [("ident", "a"), ("op", "="), ("number", "1"), ("op", ";"), ("ident", "b"),
              ("op", "="), ("number", "2"), ("op", ";")]),
            ("preprocessor lines, continued ones too, are left out",
             '#include <array>\n  #define TWICE(x) \\\n    ((x) + (x))\nint y;',
             [("ident", "int"), ("ident", "y"), ("op", ";")]),
            ("template brackets are single signs, two closing ones a shift",
             "std::array<std::vector<int>> g{};",
             [("ident", "std"), ("op", "::"), ("ident", "array"), ("op", "<"), ("ident", "std"),
              ("op", "::"), ("ident", "vector"), ("op", "<"), ("ident", "int"), ("op", ">>"),
              ("ident", "g"), ("op", "{"), ("op", "}"), ("op", ";")]),
            ("a lambda's capture, arrow and comparison",
             "[&](int k) -> bool { return k <= 16; }",
             [("op", "["), ("op", "&"), ("op", "]"), ("op", "("), ("ident", "int"),
              ("ident", "k"), ("op", ")"), ("op", "->"), ("ident", "bool"), ("op", "{"),
              ("ident", "return"), ("ident", "k"), ("op", "<="), ("number", "16"), ("op", ";"),
              ("op", "}")]),
            ("Cyrillic names are names",
             "void Game::Парные_картинки_Click() { Новая_Click(); }",
             [("ident", "void"), ("ident", "Game"), ("op", "::"),
              ("ident", "Парные_картинки_Click"), ("op", "("), ("op", ")"), ("op", "{"),
              ("ident", "Новая_Click"), ("op", "("), ("op", ")"), ("op", ";"), ("op", "}")]),
            ("numbers with separators, suffixes, fractions and exponents",
             "x = 1'000 + 0x1Fu + 16777216.0f + .5e-3 - 2;",
             [("ident", "x"), ("op", "="), ("number", "1'000"), ("op", "+"),
              ("number", "0x1Fu"), ("op", "+"), ("number", "16777216.0f"), ("op", "+"),
              ("number", ".5e-3"), ("op", "-"), ("number", "2"), ("op", ";")]),
        ]
        for name, code, expected in rows:
            with self.subTest(name):
                self.assertEqual(kinds_and_texts(code), expected)


if __name__ == "__main__":
    unittest.main()
