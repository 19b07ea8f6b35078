"""Where the early exit goes: after each statement of a loop's body, and only
where it changes what the loop does."""

import unittest

from mutation.operators import mutants_of


def early_exits(code):
    return [m.text for m in mutants_of("game/rule.cpp", code) if m.operator == "exit"]


class EarlyExitTest(unittest.TestCase):
    def test_leaves_the_loop_after_each_statement_of_its_body(self):
        rows = [
            ("a new line at the statement's indent; return too, as more follows the loop",
             "void f() {\n    for (int k = 1; k <= 16; ++k) {\n        a(k);\n    }\n    b();\n}\n",
             ["void f() {\n    for (int k = 1; k <= 16; ++k) {\n        a(k);\n        break;\n"
              "    }\n    b();\n}\n",
              "void f() {\n    for (int k = 1; k <= 16; ++k) {\n        a(k);\n        return;\n"
              "    }\n    b();\n}\n"]),
            ("a loop that ends its function: return would do what break does",
             "void f() { for (;;) { a(); b(); } }",
             ["void f() { for (;;) { a(); break; b(); } }",
              "void f() { for (;;) { a(); b(); break; } }"]),
            ("no return where the function returns a value, none after an exit",
             "bool f() { for (;;) { if (c) { return true; } } return false; }",
             ["bool f() { for (;;) { if (c) { return true; } break; } return false; }"]),
            ("none before an exit that is there already",
             "void f() { while (c) { if (d) { a(); return; } } }",
             ["void f() { while (c) { if (d) { a(); return; } break; } }"]),
            ("break leaves the inner loop, return both",
             "void f() { for (;;) { for (;;) { a(); } } }",
             ["void f() { for (;;) { for (;;) { a(); } break; } }",
              "void f() { for (;;) { for (;;) { a(); break; } } }",
              "void f() { for (;;) { for (;;) { a(); return; } } }"]),
            ("a body without braces gets them",
             "void Game::Новая_Click() { while (c) x = g(); y(); }",
             ["void Game::Новая_Click() { while (c) { x = g(); break; } y(); }",
              "void Game::Новая_Click() { while (c) { x = g(); return; } y(); }"]),
            ("nothing outside a loop",
             "void f() { if (c) { a(); } b(); }", []),
        ]
        for name, code, expected in rows:
            with self.subTest(name):
                self.assertEqual(early_exits(code), expected)


if __name__ == "__main__":
    unittest.main()
