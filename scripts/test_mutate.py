#!/usr/bin/env python3
"""Tests of scripts/mutate.py: which mutants it makes, how it samples and reads the equivalent
mutants, and that restoring a file after a mutant leaves the build as a clean build would.

    python3 scripts/test_mutate.py
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import mutate  # noqa: E402


def mutants_of(code: str, path: str = "core/x.cpp"):
    return mutate.generate(path, textwrap.dedent(code))


def pairs(code: str, op: str | None = None):
    """(original, mutated) of every mutant of code, optionally of one operator."""
    return [(m.original, m.mutated) for m in mutants_of(code) if op is None or m.op == op]


class Operators(unittest.TestCase):
    def test_relational_boundaries_and_equality(self):
        self.assertEqual(pairs("bool f(int a, int b) { return a < b; }", "relational"),
                         [("bool f(int a, int b) { return a < b; }",
                           "bool f(int a, int b) { return a <= b; }")])
        got = {m for _, m in pairs("""\
            void f(int a, int b)
            {
                x = a >= b;
                y = a > b;
                z = a == b;
                w = a != b;
            }""", "relational")}
        self.assertEqual(got, {"x = a > b;", "y = a >= b;", "z = a != b;", "w = a == b;"})

    def test_template_brackets_shifts_and_arrows_are_left_alone(self):
        code = """\
            template <typename T>
            std::vector<QList<int>> f(const std::array<double, 3> &a, Foo *p)
            {
                auto v = static_cast<int>(a[0]);
                p->run(v << 2, v >> 1);
                return {};
            }"""
        self.assertEqual(pairs(code, "relational"), [])
        self.assertEqual(pairs(code, "arithmetic"), [])

    def test_negation_dropped(self):
        self.assertEqual(pairs("void f() { if (!ok(x)) g(); }", "negation"),
                         [("void f() { if (!ok(x)) g(); }", "void f() { if (ok(x)) g(); }")])
        self.assertEqual(pairs("bool f(int a) { return a != 0; }", "negation"), [])

    def test_arithmetic_binary_only(self):
        code = """\
            double f(double a, double b, double *p)
            {
                double c = a + b;
                double d = a * b;
                double e = -a;
                double g = *p;
                c += d;
                d /= c;
                return ++e + g;
            }"""
        got = {m for _, m in pairs(code, "arithmetic")}
        self.assertEqual(got, {"double c = a - b;", "double d = a / b;", "c -= d;", "d *= c;",
                               "return ++e - g;"})

    def test_text_concatenation_is_not_made_a_subtraction(self):
        code = """\
            QString f(QString a)
            {
                QString b = a + QStringLiteral("x") + QLatin1Char('y');
                b += QStringLiteral("z");
                return b;
            }"""
        self.assertEqual(pairs(code, "arithmetic"), [])

    def test_constants_keep_their_notation(self):
        self.assertEqual(mutate.mutate_number("100.0"), ["101.0", "99.0"])
        self.assertEqual(mutate.mutate_number("0"), ["1"])
        self.assertEqual(mutate.mutate_number("1"), ["2", "0"])
        self.assertEqual(mutate.mutate_number(".5"), ["1.5"])
        self.assertEqual(mutate.mutate_number("1."), ["2.", "0."])
        self.assertEqual(mutate.mutate_number("2.2e-05"), ["3.2e-05", "1.2e-05"])
        self.assertEqual(mutate.mutate_number("1e6"), ["2e6", "0e6"])
        self.assertEqual(mutate.mutate_number("0.05f"), ["1.05f"])
        self.assertEqual(mutate.mutate_number("0xFF"), ["0x100", "0xFE"])
        self.assertEqual(mutate.mutate_number("10u"), ["11u", "9u"])
        self.assertEqual(mutate.mutate_number("1'000"), ["1001", "999"])
        self.assertEqual(mutate.mutate_number("0b101"), [])

    def test_true_and_false(self):
        self.assertEqual({m for _, m in pairs("bool a = true; bool b = false;", "boolean")},
                         {"bool a = false; bool b = false;", "bool a = true; bool b = true;"})

    def test_call_statements_deleted(self):
        code = """\
            void f()
            {
                foo(1, 2);
                obj->bar(x).baz();
                emit changed();
                if (x)
                    m_a.run();
                int y = g(2);
                return h(3);
                QString s(t);
                Q_UNUSED(z);
                call(a,
                     b);
            }"""
        deleted = [o for o, m in pairs(code, "call-deletion")]
        self.assertEqual(deleted, ["foo(1, 2);", "obj->bar(x).baz();", "emit changed();",
                                   "m_a.run();"])
        self.assertTrue(all(m == ";" for _, m in pairs(code, "call-deletion")))

    def test_two_simple_arguments_swapped(self):
        code = """\
            void f()
            {
                g(a, b.c);
                h(a + 1, b);
                std::max(a, b);
                k(a, a);
                m(a, b, c);
                n(-1, x);
            }"""
        self.assertEqual([m for _, m in pairs(code, "argument-swap")], ["g(b.c, a);", "n(x, -1);"])

    def test_connect_slots_and_signals_exchanged(self):
        code = """\
            void W::wire()
            {
                connect(a, &A::clicked, this, &W::one);
                connect(b, &A::moved, this, &W::two);
                connect(c, &B::done, this, [this] { go(1); });
                connect(d, &B::done, this, [this] { go(2); });
            }"""
        got = [m for _, m in pairs(code, "connect-swap")]
        self.assertIn("connect(a, &A::clicked, this, &W::two); … "
                      "connect(b, &A::moved, this, &W::one);", got)
        self.assertIn("connect(c, &B::done, this, [this] { go(2); }); … "
                      "connect(d, &B::done, this, [this] { go(1); });", got)
        self.assertIn("connect(a, &A::moved, this, &W::one); … "
                      "connect(b, &A::clicked, this, &W::two);", got)
        # A member slot never trades places with a lambda; the two &B::done signals are the same.
        self.assertEqual(len(got), 3)

    def test_comments_strings_preprocessor_and_assertions_are_skipped(self):
        code = """\
            #include <vector>
            #define LIMIT (1 + 2)
            // a < b, x + 1, true
            /* a == b
               f(1, 2); */
            static_assert(sizeof(int) == 4);
            void f()
            {
                Q_ASSERT(a < b);
                const char *s = "a < b + 1 == true";
                const char *r = R"(x == 1)";
                char c = '1';
            }"""
        self.assertEqual(pairs(code), [])

    def test_a_mutant_changes_only_its_own_bytes(self):
        code = "int f(int a)\n{\n    return a < 3;  // limit\n}\n"
        for m in mutate.generate("core/x.cpp", code):
            out = m.apply(code)
            self.assertNotEqual(out, code)
            self.assertEqual(out.count("\n"), code.count("\n"))
            self.assertTrue(out.endswith("  // limit\n}\n"))


class Selection(unittest.TestCase):
    def many(self):
        out = []
        for folder, n in (("core", 60), ("app", 30), ("cli", 10)):
            text = "".join(f"int v{i} = {i + 2};\n" for i in range(n // 2))
            out += mutate.generate(f"{folder}/f.cpp", text)
        return out

    def test_sample_is_stratified_and_seeded(self):
        every = self.many()
        chosen = mutate.sample(every, 10, seed=3)
        self.assertEqual(len(chosen), 10)
        by_folder = {f: sum(m.folder == f for m in chosen) for f in ("core", "app", "cli")}
        self.assertEqual(by_folder, {"core": 6, "app": 3, "cli": 1})
        same = mutate.sample(list(reversed(every)), 10, seed=3)
        self.assertEqual([(m.path, m.line, m.mutated) for m in chosen],
                         [(m.path, m.line, m.mutated) for m in same])
        other = mutate.sample(every, 10, seed=4)
        self.assertNotEqual({(m.path, m.mutated) for m in chosen},
                            {(m.path, m.mutated) for m in other})

    def test_every_folder_gets_one_when_there_is_room(self):
        chosen = mutate.sample(self.many(), 3, seed=1)
        self.assertEqual(sorted(m.folder for m in chosen), ["app", "cli", "core"])

    def test_equivalents_match_whatever_the_line_number(self):
        with tempfile.TemporaryDirectory() as d:
            f = Path(d) / "eq.txt"
            f.write_text("# header\n\ncore/x.cpp | if (a  <  b) ==> if (a <= b) | a is never b\n")
            entries = mutate.load_equivalents(f)
            for code in ("void f()\n{\n    if (a < b)\n        g();\n}\n",
                         "\n\n\nvoid f()\n{\n        if (a < b)\n        g();\n}\n"):
                ms = [m for m in mutate.generate("core/x.cpp", code) if m.op == "relational"]
                self.assertEqual([mutate.is_equivalent(m, entries) for m in ms], [True])
            f.write_text("core/x.cpp | if (a < b) ==> if (a <= b) | \n")
            with self.assertRaises(SystemExit):
                mutate.load_equivalents(f)


class TestOrder(unittest.TestCase):
    def runner(self):
        def case(name, seconds, source=""):
            return mutate.TestCase(name, ["true"], {}, None, baseline=seconds, source_text=source)
        return mutate.TestRunner([case("tst_core", 0.01, '#include "core/zoom.h"\n'),
                                  case("tst_form1", 0.4, '#include "app/form1.h"\n'),
                                  case("tst_extras", 1.0, '#include "core/netlist.h"\n'),
                                  case("tst_slow", 3.0)], 2)

    def names(self, runner, path):
        return [t.name for t in runner.order(path)]

    def test_likeliest_first(self):
        r = self.runner()
        self.assertEqual(self.names(r, "core/zoom.cpp")[0], "tst_core")       # includes zoom.h
        self.assertEqual(self.names(r, "core/netlist.cpp")[0], "tst_extras")  # includes netlist.h
        self.assertEqual(self.names(r, "app/form1_layout.cpp")[0], "tst_form1")  # named after it
        self.assertEqual(self.names(r, "about/logo.cpp"),                      # quickest first
                         ["tst_core", "tst_form1", "tst_extras", "tst_slow"])
        r.record_kill("about/logo.cpp", "tst_slow")
        self.assertEqual(self.names(r, "about/logo.cpp")[0], "tst_slow")
        self.assertEqual(self.names(r, "about/frmabout.cpp")[0], "tst_slow")  # same folder
        r.record_kill("core/netlist.cpp", "tst_extras")
        self.assertEqual(self.names(r, "core/zoom.cpp")[0], "tst_core")  # its own header first
        r.record_kill("core/zoom.cpp", "tst_extras")
        self.assertEqual(self.names(r, "core/zoom.cpp")[0], "tst_extras")     # killed this file

    def test_first_failure_stops_the_run(self):
        r = self.runner()
        r.tests = [mutate.TestCase("pass", ["true"], {}, None),
                   mutate.TestCase("fail", ["false"], {}, None),
                   mutate.TestCase("hang", ["sleep", "30"], {}, None)]
        verdict, test, _, seconds = r.run(r.tests, time.monotonic() + 60, None)
        self.assertEqual((verdict, test), ("failed", "fail"))
        self.assertLess(seconds, 10)
        verdict, test, _, _ = r.run([r.tests[2]], time.monotonic() + 0.5, None)
        self.assertEqual((verdict, test), ("timeout", "hang"))


needs_a_compiler = unittest.skipUnless(all(shutil.which(t) for t in ("cmake", "ninja", "c++")),
                                       "needs cmake, ninja and a C++ compiler")


class TinyProject:
    """A scratch tree holding PROJECT, configured and built once."""

    def setUp(self):
        self.dir = Path(tempfile.mkdtemp())
        self.scratch = mutate.Scratch(self.dir, self.dir, 2, shared=True)
        self.scratch.src.mkdir()
        for name, text in self.PROJECT.items():
            (self.scratch.src / name).write_text(textwrap.dedent(text))
        self.scratch.configure()
        self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
        self.scratch.load_deps()

    def tearDown(self):
        shutil.rmtree(self.dir)


@needs_a_compiler
class Restore(TinyProject, unittest.TestCase):
    """A mutant built and restored: the build must then be the one a clean build gives."""

    PROJECT = {
        "CMakeLists.txt": """\
            cmake_minimum_required(VERSION 3.16)
            project(tiny CXX)
            add_library(lib STATIC a.cpp b.cpp)
            target_include_directories(lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
            add_executable(t t.cpp)
            target_link_libraries(t PRIVATE lib)
            """,
        "k.h": "inline int k() { return 40; }\n",
        "a.cpp": '#include "k.h"\nint a() { return k() + 1; }\n',
        "b.cpp": "int b() { return 1; }\n",
        "t.cpp": '#include "k.h"\nint a();\nint b();\nint main() { return a() + b() + k(); }\n',
    }

    def exit_code(self):
        return subprocess.run([str(self.scratch.build / "t")]).returncode

    def to_do(self):
        """What ninja would still do: the steps of a dry run."""
        out = subprocess.run(["ninja", "-C", str(self.scratch.build), "-n"], check=True,
                             capture_output=True, text=True).stdout
        return [line.split("] ", 1)[1] for line in out.splitlines() if line.startswith("[")]

    def test_header_mutant_restored_without_compiling(self):
        self.assertEqual(self.exit_code(), 82)
        self.scratch.checkpoint("k.h")
        self.scratch.mutate(b"inline int k() { return 50; }\n")
        self.assertEqual(self.scratch.run_build(["t"], 120)[0], "ok")
        self.assertEqual(self.exit_code(), 102)
        self.scratch.restore()
        self.assertEqual((self.scratch.src / "k.h").read_bytes(), b"inline int k() { return 40; }\n")
        steps = self.to_do()
        self.assertFalse([s for s in steps if s.startswith("Building")], steps)
        self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
        self.assertEqual(self.exit_code(), 82)

    def test_a_second_mutant_of_the_same_file_is_compiled(self):
        self.scratch.checkpoint("b.cpp")
        for value, code in ((2, 83), (3, 84)):
            self.scratch.mutate(f"int b() {{ return {value}; }}\n".encode())
            self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
            self.assertEqual(self.exit_code(), code)
            self.scratch.restore()
        self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
        self.assertEqual(self.exit_code(), 82)

    def test_a_mutant_that_does_not_compile_leaves_nothing_behind(self):
        self.scratch.checkpoint("k.h")
        self.scratch.mutate(b"inline int k() { return 40 }\n")
        self.assertEqual(self.scratch.run_build([], 120)[0], "failed")
        self.scratch.restore()
        self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
        self.assertEqual(self.exit_code(), 82)

    def test_restored_objects_equal_a_clean_build(self):
        self.scratch.checkpoint("k.h")
        self.scratch.mutate(b"inline int k() { return 7; }\n")
        self.scratch.run_build([], 120)
        self.scratch.restore()
        self.scratch.run_build([], 120)
        objects = sorted(self.scratch.compiled)
        kept = {o: (self.scratch.build / o).read_bytes() for o in objects}
        for name in self.PROJECT:
            os.utime(self.scratch.src / name)
        self.scratch.run_build([], 120)
        self.assertEqual(kept, {o: (self.scratch.build / o).read_bytes() for o in objects})


class RestoreThroughLinks(Restore):
    """The same, with the program reaching the header through a linked include folder, as every
    folder's library exports its headers."""

    PROJECT = dict(Restore.PROJECT)
    PROJECT["CMakeLists.txt"] = Restore.PROJECT["CMakeLists.txt"] + """\
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/linked SYMBOLIC)
        target_include_directories(t PRIVATE ${CMAKE_BINARY_DIR}/linked)
        """
    PROJECT["t.cpp"] = "#include <k.h>\nint a();\nint b();\nint main() { return a() + b() + k(); }\n"

    def test_the_program_counts_as_built_from_the_header(self):
        self.assertIn("CMakeFiles/t.dir/t.cpp.o", self.scratch.deps["k.h"])


@needs_a_compiler
class Matrix(TinyProject, unittest.TestCase):
    """Every test run on every mutant: which tests kill it, and which kill what no other does."""

    PROJECT = {
        "CMakeLists.txt": """\
            cmake_minimum_required(VERSION 3.16)
            project(tiny CXX)
            enable_testing()
            add_library(lib STATIC a.cpp)
            foreach(t t_add t_twice t_both)
              add_executable(${t} ${t}.cpp)
              target_link_libraries(${t} PRIVATE lib)
              add_test(NAME ${t} COMMAND ${t})
            endforeach()
            """,
        "a.cpp": "int add(int x, int y) { return x + y; }\n"
                 "int twice(int x) { return 2 * x; }\n"
                 "int unused() { return 7; }\n",
        "t_add.cpp": "int add(int, int);\nint main() { return add(2, 3) != 5; }\n",
        "t_twice.cpp": "int twice(int);\nint main() { return twice(4) != 8; }\n",
        "t_both.cpp": "int add(int, int);\nint twice(int);\n"
                      "int main() { return add(1, 1) != 2 || twice(1) != 2; }\n",
    }

    def test_every_killing_test_is_named_and_unique_kills_counted(self):
        mutants = mutate.generate("a.cpp", (self.scratch.src / "a.cpp").read_text())
        tests = mutate.load_tests(self.scratch, "", None)
        runner = mutate.TestRunner(tests, 2)
        results = mutate.run_mutants(mutants, self.scratch, runner, [], 120, None, False,
                                     matrix=True)
        got = {r.mutant.mutated: (r.status, sorted(r.killers)) for r in results}
        self.assertEqual(got, {
            "int add(int x, int y) { return x - y; }": ("killed", ["t_add", "t_both"]),
            "int twice(int x) { return 2 / x; }": ("killed", ["t_twice"]),
            "int twice(int x) { return 3 * x; }": ("killed", ["t_both", "t_twice"]),
            "int twice(int x) { return 1 * x; }": ("killed", ["t_both", "t_twice"]),
            "int unused() { return 8; }": ("survived", []),
            "int unused() { return 6; }": ("survived", []),
        })
        rows = mutate.matrix_rows(results)
        row = {r["mutated"]: r for r in json.loads(json.dumps(rows))}["int unused() { return 8; }"]
        self.assertEqual((row["status"], row["killed_by"]), ("survived", []))
        table = mutate.unique_kills(results, ["t_add", "t_twice", "t_both"])
        self.assertIn("| t_twice | 3 | 1 |", table)
        self.assertIn("| t_add | 1 | 0 |", table)
        self.assertIn("| t_both | 3 | 0 |", table)
        self.assertTrue(table.endswith("Candidates to drop (no unique kill): t_both, t_add"), table)
        # Restored: the unmutated tree passes every test again.
        self.assertEqual(self.scratch.run_build([], 120)[0], "ok")
        self.assertEqual(runner.run_every(tests, time.monotonic() + 60, None)[0], {})


if __name__ == "__main__":
    unittest.main()
