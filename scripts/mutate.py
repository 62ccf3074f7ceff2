#!/usr/bin/env python3
"""Mutation testing for Quorvel's C++ sources, with the Python standard library only.

Each mutant is one small fault put into one .cpp or .h file (a flipped comparison, a changed
constant, a deleted call...). The runner builds it in a scratch copy of the working tree and runs
the fast test suite; a mutant that no test notices "survives" and points at untested behaviour.

    scripts/mutate.py --folders core --list                # the mutants it would run, no build
    scripts/mutate.py --folders core --sample 20 --seed 1  # run 20 of them
    scripts/mutate.py --since origin/main --sample 50      # the files a change touches
    scripts/mutate.py --smoke                              # one known mutant must be killed

Mutants listed in tests/equivalent-mutants.txt cannot change behaviour and are never run.
"""

from __future__ import annotations

import argparse
import contextlib
import dataclasses
import decimal
import fcntl
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE_SUFFIXES = (".cpp", ".h")
# Folders whose files are never mutated: the tests themselves, benchmarks, packaging, build trees.
EXCLUDED_PARTS = {"tests", "test", "bench", "packaging", "docs", "scripts"}
DEFAULT_EXCLUDED_LABELS = "e2e|spice|reference|slow"
EQUIVALENTS_FILE = "tests/equivalent-mutants.txt"

OPERATORS = (
    "relational",      # < <=, > >=, == !=
    "negation",        # a dropped !
    "arithmetic",      # + -, * /, += -=, *= /=
    "constant",        # numeric literal +1 / -1 (0 <-> 1)
    "boolean",         # true <-> false
    "call-deletion",   # a whole-line call statement removed
    "argument-swap",   # f(a, b) -> f(b, a)
    "connect-swap",    # the slot or the signal of two connect() calls exchanged
)

# The known mutant of --smoke: ".10" must not read as ".010" (the readout texts' tests check it).
SMOKE = {
    "path": "core/common/readouttext.cpp",
    "original": 'return (h >= 10 ? QStringLiteral(".") : QStringLiteral(".0")) + digits(h);',
    "mutated": 'return (h > 10 ? QStringLiteral(".") : QStringLiteral(".0")) + digits(h);',
    "tests": "^tst_core$",
}

# --------------------------------------------------------------------------------------------
# Lexing
# --------------------------------------------------------------------------------------------

PUNCTUATORS = sorted(
    """<=> <<= >>= ->* ... -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= :: .*
    { } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #""".split(),
    key=len, reverse=True)

KEYWORDS = set("""alignas alignof asm auto bool break case catch char char8_t char16_t char32_t class
    co_await co_return co_yield concept const consteval constexpr constinit const_cast continue
    decltype default delete do double dynamic_cast else enum explicit export extern float for friend
    goto if inline int long mutable namespace new noexcept operator private protected public
    register reinterpret_cast requires return short signed sizeof static static_assert static_cast
    struct switch template thread_local throw try typedef typeid typename union unsigned using
    virtual void volatile wchar_t while emit Q_EMIT""".split())
VALUE_KEYWORDS = {"this", "true", "false", "nullptr"}
TYPE_WORDS = {"auto", "bool", "char", "const", "double", "float", "int", "long", "qreal", "short",
              "signed", "unsigned", "void", "size_t", "qsizetype"}
# Calls whose arguments are never mutated: compiled out in a Release build, or compile-time only.
SKIPPED_CALLS = {"static_assert", "Q_STATIC_ASSERT", "Q_ASSERT", "Q_ASSERT_X", "assert",
                 "Q_UNUSED", "Q_DECLARE_METATYPE", "Q_PROPERTY", "Q_ENUM", "Q_FLAG"}
# Two-argument calls whose order does not matter.
COMMUTATIVE = {"max", "min", "qMax", "qMin", "fmax", "fmin", "hypot", "qHypot", "swap", "qSwap",
               "gcd", "lcm", "qFuzzyCompare"}
# Operands that make + a text concatenation, where - would not compile.
STRINGY = {"QStringLiteral", "QLatin1String", "QLatin1StringView", "QLatin1Char", "QString",
           "QChar", "QStringView", "QByteArray", "QByteArrayLiteral", "tr", "u8", "arg"}

STRING_RE = re.compile(r'(?:u8|u|U|L)?"')
RAW_STRING_RE = re.compile(r'(?:u8|u|U|L)?R"([^ ()\\\t\v\f\n]{0,16})\(')
CHAR_RE = re.compile(r"(?:u8|u|U|L)?'")
NUMBER_RE = re.compile(r"\.?\d(?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*")
IDENT_RE = re.compile(r"[A-Za-z_]\w*")


@dataclasses.dataclass
class Token:
    """One C++ token: kind is id, num, str, chr or op; start/end are offsets in the file."""
    kind: str
    text: str
    start: int
    end: int
    line: int
    space_before: bool = False
    space_after: bool = False


def _skip_quoted(text: str, i: int, quote: str) -> int:
    """Offset just past the literal whose opening quote is at i (escapes honoured)."""
    j = i + 1
    while j < len(text):
        c = text[j]
        if c == "\\":
            j += 2
            continue
        if c == quote or c == "\n":
            return j + 1
        j += 1
    return j


def tokenize(text: str) -> list[Token]:
    """The file's tokens, without comments and preprocessor lines (string bodies stay one token)."""
    tokens: list[Token] = []
    i, n, line = 0, len(text), 0
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line, line_start, i = line + 1, True, i + 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "\\" and text.startswith("\n", i + 1):
            line, i = line + 1, i + 2
            continue
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
            continue
        if c == "#" and line_start:
            j = i
            while True:  # up to the end of the line, following backslash continuations
                k = text.find("\n", j)
                if k < 0:
                    j = n
                    break
                if text[k - 1] == "\\" or (text[k - 1] == "\r" and text[k - 2] == "\\"):
                    line, j = line + 1, k + 1
                    continue
                j = k
                break
            i = j
            continue
        line_start = False
        start, start_line = i, line
        m = RAW_STRING_RE.match(text, i)
        if m:
            close = text.find(")" + m.group(1) + '"', m.end())
            i = n if close < 0 else close + len(m.group(1)) + 2
            kind = "str"
        elif STRING_RE.match(text, i):
            i = _skip_quoted(text, STRING_RE.match(text, i).end() - 1, '"')
            kind = "str"
        elif CHAR_RE.match(text, i):
            i = _skip_quoted(text, CHAR_RE.match(text, i).end() - 1, "'")
            kind = "chr"
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            i = NUMBER_RE.match(text, i).end()
            kind = "num"
        elif IDENT_RE.match(text, i):
            i = IDENT_RE.match(text, i).end()
            kind = "id"
        else:
            op = next((p for p in PUNCTUATORS if text.startswith(p, i)), c)
            i += len(op)
            kind = "op"
        line += text.count("\n", start, i)
        tokens.append(Token(kind, text[start:i], start, i, start_line))
    for t in tokens:
        t.space_before = t.start == 0 or text[t.start - 1].isspace()
        t.space_after = t.end >= n or text[t.end].isspace()
    return tokens


def match_brackets(tokens: list[Token]) -> dict[int, int]:
    """Index of the partner of every (), [] and {} token, both ways; unbalanced ones are left out."""
    pairs, stack = {}, []
    opening = {")": "(", "]": "[", "}": "{"}
    for i, t in enumerate(tokens):
        if t.kind != "op":
            continue
        if t.text in "([{":
            stack.append(i)
        elif t.text in opening:
            while stack and tokens[stack[-1]].text != opening[t.text]:
                stack.pop()
            if stack:
                j = stack.pop()
                pairs[i], pairs[j] = j, i
    return pairs


def skipped_tokens(tokens: list[Token], pairs: dict[int, int]) -> list[bool]:
    """True for tokens inside assertions, static_assert and the like (never mutated)."""
    skip = [False] * len(tokens)
    for i, t in enumerate(tokens):
        if t.kind == "id" and t.text in SKIPPED_CALLS:
            skip[i] = True
            if i + 1 < len(tokens) and tokens[i + 1].text == "(" and (i + 1) in pairs:
                for k in range(i + 1, pairs[i + 1] + 1):
                    skip[k] = True
    return skip


# --------------------------------------------------------------------------------------------
# Mutants
# --------------------------------------------------------------------------------------------

@dataclasses.dataclass
class Mutant:
    """One fault: edits (start, end, replacement) on a file's text, shown as original/mutated."""
    path: str
    op: str
    edits: tuple
    line: int = 0
    original: str = ""
    mutated: str = ""
    occurrence: int = 0

    @property
    def folder(self) -> str:
        return self.path.split("/", 1)[0] if "/" in self.path else "."

    def apply(self, text: str) -> str:
        """The file's text with this mutant's edits made."""
        for start, end, repl in sorted(self.edits, reverse=True):
            text = text[:start] + repl + text[end:]
        return text

    def rank(self, seed: int) -> str:
        """Sampling key: stable for a seed, independent of the other mutants and of line numbers."""
        key = "\0".join((str(seed), self.path, self.op, self.original, self.mutated,
                         str(self.occurrence)))
        return hashlib.sha256(key.encode("utf-8", "surrogateescape")).hexdigest()

    def equivalence_line(self) -> str:
        """This mutant as a line of tests/equivalent-mutants.txt, without its reason."""
        return f"{self.path} | {self.original} ==> {self.mutated} | "


def normalise(s: str) -> str:
    """A line's text with runs of white space made one space: indentation does not matter."""
    return " ".join(s.split())


def describe(mutant: Mutant, text: str) -> None:
    """Fills in the mutant's line and its original and mutated text (whole lines, normalised)."""
    edits = sorted(mutant.edits)
    # Edits that share lines are shown together.
    regions: list[list[tuple]] = []
    for e in edits:
        first = text.rfind("\n", 0, e[0]) + 1
        if regions and first <= regions[-1][-1][1]:
            regions[-1].append(e)
        else:
            regions.append([e])
    originals, mutateds = [], []
    for region in regions:
        lo = text.rfind("\n", 0, region[0][0]) + 1
        hi = text.find("\n", region[-1][1])
        hi = len(text) if hi < 0 else hi
        span = text[lo:hi]
        changed = span
        for start, end, repl in sorted(region, reverse=True):
            changed = changed[:start - lo] + repl + changed[end - lo:]
        originals.append(normalise(span))
        mutateds.append(normalise(changed))
    mutant.line = text.count("\n", 0, edits[0][0]) + 1
    mutant.original = " … ".join(originals)
    mutant.mutated = " … ".join(mutateds)


def operand_end(t: Token | None) -> bool:
    """True when t can end the left operand of a binary operator."""
    if t is None:
        return False
    if t.kind in ("num", "str", "chr"):
        return True
    if t.kind == "id":
        return t.text not in KEYWORDS or t.text in VALUE_KEYWORDS
    return t.text in (")", "]")


def operand_start(t: Token | None) -> bool:
    """True when t can start the right operand of a binary operator."""
    if t is None:
        return False
    if t.kind in ("num", "str", "chr"):
        return True
    if t.kind == "id":
        return t.text not in KEYWORDS or t.text in VALUE_KEYWORDS or t.text in (
            "sizeof", "static_cast", "const_cast", "reinterpret_cast", "dynamic_cast")
    return t.text in ("(", "!", "-", "+", "*", "&", "~", "::", "[", "++", "--")


def is_binary(tokens: list[Token], i: int) -> bool:
    """A binary operator as formatted here: spaced on both sides, between two operands.

    Template brackets, pointers, references and unary minus are written without a space on one
    side by the project's formatting, so they never pass.
    """
    t = tokens[i]
    if not (t.space_before and t.space_after) or i == 0 or i + 1 >= len(tokens):
        return False
    prev = tokens[i - 1]
    if prev.text == "operator" or (i >= 2 and tokens[i - 2].text == "operator"):
        return False
    return operand_end(prev) and operand_start(tokens[i + 1])


def operand_head_left(tokens: list[Token], pairs: dict[int, int], i: int) -> Token | None:
    """The first token of the call or name that ends just before tokens[i]."""
    j = i - 1
    if j >= 0 and tokens[j].text == ")" and j in pairs:
        j = pairs[j] - 1
    return tokens[j] if j >= 0 else None


def is_stringy(t: Token | None) -> bool:
    return t is not None and (t.kind in ("str", "chr") or t.text in STRINGY)


def mutate_number(literal: str) -> list[str]:
    """The literal plus one and minus one (never below zero), in its own notation and suffix."""
    s = literal.replace("'", "")
    m = re.fullmatch(r"0([xX])([0-9a-fA-F]+)([uUlLzZ]*)", s)
    if m:
        v = int(m.group(2), 16)
        fmt = "X" if m.group(2).isupper() else "x"
        return [f"0{m.group(1)}{w:{fmt}}{m.group(3)}" for w in (v + 1, v - 1) if w >= 0]
    m = re.fullmatch(r"([1-9][0-9]*|0)([uUlLzZ]*)", s)
    if m:
        v = int(m.group(1))
        return [f"{w}{m.group(2)}" for w in (v + 1, v - 1) if w >= 0]
    m = re.fullmatch(r"(\d+\.\d*|\.\d+|\d+)([eE][+-]?\d+)?([fFlL]?)", s)
    if m and ("." in m.group(1) or m.group(2)):
        mantissa, exponent, suffix = m.group(1), m.group(2) or "", m.group(3)
        out = []
        for delta in (1, -1):
            d = decimal.Decimal(mantissa) + delta
            if d < 0:
                continue
            digits = format(d, "f")  # keeps the mantissa's decimals: 100.0 + 1 is 101.0
            if mantissa.endswith("."):
                digits += "."
            out.append(digits + exponent + suffix)
        return out
    return []  # octal, binary, user-defined literals: left alone


def call_args(tokens: list[Token], pairs: dict[int, int], open_i: int) -> list[tuple[int, int]]:
    """Token index ranges [a, b) of the top-level arguments of the call whose ( is at open_i."""
    close = pairs.get(open_i)
    if close is None:
        return []
    args, a, k = [], open_i + 1, open_i + 1
    while k < close:
        t = tokens[k]
        if t.text in ("(", "[", "{") and k in pairs:
            k = pairs[k] + 1
            continue
        if t.text == ",":
            args.append((a, k))
            a = k + 1
        k += 1
    if a < close or args:
        args.append((a, close))
    return args


def is_simple(toks: list[Token]) -> bool:
    """A name, member chain, literal or negative number: safe to move to another argument."""
    if not toks:
        return False
    if len(toks) == 2 and toks[0].text == "-" and toks[1].kind == "num":
        return True
    if len(toks) == 1 and toks[0].kind in ("num", "str", "chr"):
        return True
    for k, t in enumerate(toks):
        if k % 2 == 0:
            if t.kind != "id" or t.text in TYPE_WORDS or (t.text in KEYWORDS and
                                                             t.text not in VALUE_KEYWORDS):
                return False
        elif t.text not in (".", "->", "::"):
            return False
    return len(toks) % 2 == 1


def is_macro(name: str) -> bool:
    return re.fullmatch(r"[A-Z_][A-Z0-9_]*", name) is not None and len(name) > 1


def statement_start_ok(tokens: list[Token], pairs: dict[int, int], i: int) -> bool:
    """True when tokens[i] starts a statement: after ; { } a label, else, or an if/for header."""
    if i == 0:
        return False
    prev = tokens[i - 1]
    if prev.text in (";", "{", "}", ":", "else"):
        return prev.text != ":" or i < 2 or tokens[i - 2].text != "?"
    if prev.text == ")" and (i - 1) in pairs:
        k = pairs[i - 1]
        return k > 0 and tokens[k - 1].text in ("if", "for", "while")
    return False


def generate(path: str, text: str) -> list[Mutant]:
    """Every mutant of one file, in file order, duplicates (same resulting text) removed."""
    tokens = tokenize(text)
    pairs = match_brackets(tokens)
    skip = skipped_tokens(tokens, pairs)
    found: list[tuple[str, tuple]] = []

    def add(op: str, *edits):
        found.append((op, tuple(edits)))

    def replace(t: Token, new: str):
        return (t.start, t.end, new)

    for i, t in enumerate(tokens):
        if skip[i]:
            continue
        prev = tokens[i - 1] if i else None
        nxt = tokens[i + 1] if i + 1 < len(tokens) else None
        after_operator = prev is not None and prev.text == "operator"
        if t.kind == "op" and not after_operator:
            if t.text in ("==", "!="):
                add("relational", replace(t, "!=" if t.text == "==" else "=="))
            elif t.text in ("<", ">", "<=", ">=") and is_binary(tokens, i):
                flip = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[t.text]
                add("relational", replace(t, flip))
            elif t.text == "!" and nxt is not None and operand_start(nxt):
                add("negation", replace(t, ""))
            elif t.text in ("+", "-") and is_binary(tokens, i):
                if not (is_stringy(operand_head_left(tokens, pairs, i)) or is_stringy(nxt)):
                    add("arithmetic", replace(t, "-" if t.text == "+" else "+"))
            elif t.text in ("*", "/") and is_binary(tokens, i):
                add("arithmetic", replace(t, "/" if t.text == "*" else "*"))
            elif t.text in ("+=", "-=", "*=", "/="):
                if t.text == "+=" and is_stringy(nxt):
                    continue
                flip = {"+=": "-=", "-=": "+=", "*=": "/=", "/=": "*="}[t.text]
                add("arithmetic", replace(t, flip))
        elif t.kind == "num" and not after_operator:
            for new in mutate_number(t.text):
                add("constant", replace(t, new))
        elif t.kind == "id" and t.text in ("true", "false"):
            add("boolean", replace(t, "false" if t.text == "true" else "true"))

    found += _call_deletions(tokens, pairs, skip)
    found += _argument_swaps(tokens, pairs, skip)
    found += _connect_swaps(tokens, pairs, text)

    mutants, seen, occurrences = [], set(), {}
    for op, edits in found:
        if edits in seen:
            continue
        seen.add(edits)
        m = Mutant(path, op, edits)
        describe(m, text)
        if m.original == m.mutated:
            continue
        key = (m.op, m.original, m.mutated)
        m.occurrence = occurrences.get(key, 0)
        occurrences[key] = m.occurrence + 1
        mutants.append(m)
    mutants.sort(key=lambda m: (min(e[0] for e in m.edits), OPERATORS.index(m.op)))
    return mutants


def _call_deletions(tokens, pairs, skip):
    """Whole-line call statements (`foo(x);`, `a->b(c).d();`, `emit sig();`) replaced by `;`."""
    out = []
    by_line: dict[int, list[int]] = {}
    for i, t in enumerate(tokens):
        by_line.setdefault(t.line, []).append(i)
    for idx in by_line.values():
        first, last = idx[0], idx[-1]
        if tokens[last].text != ";" or any(skip[k] for k in idx):
            continue
        if any(tokens[k].line != tokens[first].line for k in range(first, last + 1)):
            continue
        k = first
        if tokens[k].text in ("emit", "Q_EMIT"):
            k += 1
        head = tokens[k] if k < last else None
        if head is None or head.kind != "id" or head.text in KEYWORDS or is_macro(head.text):
            continue
        if not statement_start_ok(tokens, pairs, first):
            continue
        k, calls, ok = k + 1, 0, True
        while k < last and ok:
            t = tokens[k]
            if t.text in (".", "->", "::") and k + 1 < last and tokens[k + 1].kind == "id":
                k += 2
            elif t.text == "(" and k in pairs and pairs[k] < last:
                k, calls = pairs[k] + 1, calls + 1
            else:
                ok = False
        if ok and k == last and calls and tokens[last - 1].text == ")":
            out.append(("call-deletion", ((tokens[first].start, tokens[last].end, ";"),)))
    return out


def _argument_swaps(tokens, pairs, skip):
    """`f(a, b)` -> `f(b, a)` when both arguments are simple and the order matters."""
    out = []
    for i, t in enumerate(tokens[:-1]):
        if skip[i] or t.kind != "id" or tokens[i + 1].text != "(":
            continue
        if t.text in KEYWORDS or t.text in COMMUTATIVE or is_macro(t.text):
            continue
        if t.text in ("connect", "disconnect"):
            continue
        args = call_args(tokens, pairs, i + 1)
        if len(args) != 2:
            continue
        (a0, a1), (b0, b1) = args
        left, right = tokens[a0:a1], tokens[b0:b1]
        if not (is_simple(left) and is_simple(right)):
            continue
        ltext = " ".join(x.text for x in left)
        rtext = " ".join(x.text for x in right)
        if ltext == rtext:
            continue
        la, lb = left[0].start, left[-1].end
        ra, rb = right[0].start, right[-1].end
        text_of = lambda toks: "".join(  # noqa: E731  (keeps the arguments' own spelling)
            x.text for x in toks)
        out.append(("argument-swap", ((la, lb, text_of(right)), (ra, rb, text_of(left)))))
    return out


def _connect_kind(toks: list[Token], text: str):
    """('member', Class) for &Class::name, ('lambda', head) for a lambda, else None."""
    if len(toks) >= 4 and toks[0].text == "&" and toks[1].kind == "id" and \
            all(x.text == "::" if k % 2 == 0 else x.kind == "id"
                for k, x in enumerate(toks[2:])) and len(toks) % 2 == 0:
        return ("member", "".join(x.text for x in toks[1:-2]))
    if toks and toks[0].text == "[":
        head = []
        for x in toks:
            if x.text == "{":
                return ("lambda", " ".join(head))
            head.append(x.text)
    return None


def _connect_swaps(tokens, pairs, text):
    """One connect's slot (or signal) exchanged with the next compatible connect's in the file."""
    calls = []
    for i, t in enumerate(tokens[:-1]):
        if t.text != "connect" or tokens[i + 1].text != "(":
            continue
        if i and tokens[i - 1].text in (".", "->"):
            continue
        args = call_args(tokens, pairs, i + 1)
        if len(args) < 3:
            continue
        calls.append(args)
    out, done = [], set()
    for role in ("slot", "signal"):
        spans = []
        for args in calls:
            a, b = args[1] if role == "signal" else args[3 if len(args) >= 4 else 2]
            toks = tokens[a:b]
            if not toks:
                spans.append(None)
                continue
            span = (toks[0].start, toks[-1].end)
            spans.append((span, _connect_kind(toks, text), text[span[0]:span[1]]))
        for x, sx in enumerate(spans):
            if sx is None or sx[1] is None:
                continue
            # The nearest compatible connect, the following one first.
            others = sorted((y for y in range(len(spans)) if y != x),
                            key=lambda y: (abs(y - x), y < x))
            for y in others:
                sy = spans[y]
                if sy is None or sy[1] != sx[1] or normalise(sy[2]) == normalise(sx[2]):
                    continue
                pair = (role, min(x, y), max(x, y))
                if pair not in done:
                    done.add(pair)
                    out.append(("connect-swap", ((sx[0][0], sx[0][1], sy[2]),
                                                 (sy[0][0], sy[0][1], sx[2]))))
                break
    return out


# --------------------------------------------------------------------------------------------
# Equivalent mutants
# --------------------------------------------------------------------------------------------

@dataclasses.dataclass
class Equivalent:
    path: str
    original: str
    mutated: str
    reason: str
    lineno: int
    used: bool = False


def load_equivalents(path: Path) -> list[Equivalent]:
    """Entries `path | original line ==> mutated line | reason`; # starts a comment line."""
    entries = []
    if not path.exists():
        return entries
    for n, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        first = line.find(" | ")
        last = line.rfind(" | ")
        middle = line[first + 3:last] if 0 <= first < last else ""
        if " ==> " not in middle:
            raise SystemExit(f"{path}:{n}: expected `path | original ==> mutated | reason`")
        original, mutated = middle.split(" ==> ", 1)
        reason = line[last + 3:].strip()
        if not reason:
            raise SystemExit(f"{path}:{n}: an equivalent mutant needs its reason")
        entries.append(Equivalent(line[:first].strip(), normalise(original), normalise(mutated),
                                  reason, n))
    return entries


def is_equivalent(m: Mutant, entries: list[Equivalent]) -> bool:
    for e in entries:
        if e.path == m.path and e.original == m.original and e.mutated == m.mutated:
            e.used = True
            return True
    return False


# --------------------------------------------------------------------------------------------
# Choosing files and mutants
# --------------------------------------------------------------------------------------------

def git(repo: Path, *args: str) -> str:
    return subprocess.run(["git", "-C", str(repo), *args], check=True, capture_output=True,
                          text=True).stdout


def listed_files(repo: Path, *pathspec: str) -> list[str]:
    """Tracked and untracked (not ignored) files of the working tree, relative to repo."""
    out = git(repo, "ls-files", "-z", "--cached", "--others", "--exclude-standard", "--", *pathspec)
    return sorted({p for p in out.split("\0") if p})


def mutable(path: str) -> bool:
    parts = path.split("/")
    return path.endswith(SOURCE_SUFFIXES) and not (set(parts[:-1]) & EXCLUDED_PARTS) and \
        not parts[0].startswith("build")


def select_files(repo: Path, folders: list[str] | None, since: str | None) -> list[str]:
    """The source files to mutate: changed since a ref (working tree included), or in folders."""
    if since:
        changed = set(git(repo, "diff", "--name-only", "-z", since, "--").split("\0"))
        changed |= set(git(repo, "ls-files", "-z", "--others", "--exclude-standard").split("\0"))
        files = sorted(p for p in changed if p)
    else:
        files = listed_files(repo, *(f.rstrip("/") + "/" for f in folders))
    return [p for p in files if mutable(p) and (repo / p).is_file()]


def default_folders(repo: Path) -> list[str]:
    return sorted({p.split("/", 1)[0] for p in listed_files(repo) if "/" in p and mutable(p)})


def sample(mutants: list[Mutant], n: int | None, seed: int) -> list[Mutant]:
    """n mutants, each folder's share proportional to its mutants (at least one each when n
    allows), the lowest seeded hashes within a folder; the result in file and line order."""
    if n is None or n >= len(mutants):
        chosen = list(mutants)
    else:
        by_folder: dict[str, list[Mutant]] = {}
        for m in mutants:
            by_folder.setdefault(m.folder, []).append(m)
        total = len(mutants)
        quota = {f: n * len(ms) / total for f, ms in by_folder.items()}
        share = {f: int(q) for f, q in quota.items()}
        if n >= len(by_folder):
            for f in share:
                share[f] = max(share[f], 1)
        left = n - sum(share.values())
        for f in sorted(quota, key=lambda f: (share[f] - quota[f], f)):
            if left <= 0:
                break
            if share[f] < len(by_folder[f]):
                share[f] += 1
                left -= 1
        while left < 0:  # the minimum of one each went over n: take from the largest shares
            f = max(share, key=lambda f: (share[f], f))
            share[f] -= 1
            left += 1
        chosen = []
        for f, ms in by_folder.items():
            chosen += sorted(ms, key=lambda m: m.rank(seed))[:share[f]]
    return sorted(chosen, key=lambda m: (m.path, m.line, m.op, m.mutated))


# --------------------------------------------------------------------------------------------
# Scratch tree, build and tests
# --------------------------------------------------------------------------------------------

# Files that moc reads: their generated code depends on them through time stamps only.
AUTOMOC_RE = re.compile(rb"\b(Q_OBJECT|Q_GADGET|Q_NAMESPACE)\b|#\s*include\s*[\"<][^\">]*\.moc[\">]")

SHARED_LIBS_CMAKE = """\
# Written by scripts/mutate.py for its scratch build only: the project's static libraries are
# built shared, so that a mutant relinks one library instead of every test program.
function(add_library name)
  if(ARGC GREATER 1 AND ARGV1 STREQUAL "STATIC")
    set(args ${ARGN})
    list(REMOVE_AT args 0)
    _add_library(${name} SHARED ${args})
  else()
    _add_library(${ARGV})
  endif()
endfunction()
"""


def log(*args, **kwargs):
    print(*args, **kwargs, flush=True)


def default_workdir(repo: Path) -> Path:
    tag = hashlib.sha1(str(repo).encode()).hexdigest()[:8]
    return Path(tempfile.gettempdir()) / f"quorvel-mutate-{tag}"


def write_if_different(src: Path, dst: Path) -> bool:
    """Copies src over dst unless dst already has the same bytes and mode (keeps its mtime)."""
    if src.is_symlink():
        target = os.readlink(src)
        if dst.is_symlink() and os.readlink(dst) == target:
            return False
        if dst.exists() or dst.is_symlink():
            dst.unlink()
        dst.parent.mkdir(parents=True, exist_ok=True)
        os.symlink(target, dst)
        return True
    data = src.read_bytes()
    mode = src.stat().st_mode & 0o777
    if dst.is_file() and not dst.is_symlink() and dst.read_bytes() == data and \
            dst.stat().st_mode & 0o777 == mode:
        return False
    if dst.is_symlink():
        dst.unlink()
    dst.parent.mkdir(parents=True, exist_ok=True)
    dst.write_bytes(data)
    os.chmod(dst, mode)
    return True


class Scratch:
    """A git worktree of the repository plus its own build folder, reused from run to run."""

    def __init__(self, repo: Path, workdir: Path, jobs: int, shared: bool):
        self.repo, self.workdir, self.jobs, self.shared = repo, workdir, jobs, shared
        self.src = workdir / "src"
        self.build = workdir / ("build-shared" if shared else "build-static")
        self.last_build_end_ns = 0
        self._lock = None

    def lock(self):
        """Only one run at a time may use a scratch tree."""
        self.workdir.mkdir(parents=True, exist_ok=True)
        self._lock = open(self.workdir / "lock", "w")
        try:
            fcntl.flock(self._lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            raise SystemExit(f"another mutation run is using {self.workdir}")

    def prepare(self) -> None:
        """Creates the worktree when missing and makes its files equal to the working tree's."""
        marker = self.workdir / ".quorvel-mutate"
        if self.src.exists() and not self.is_worktree_of_repo():
            if not marker.exists():
                raise SystemExit(f"{self.src} exists but is not a worktree of {self.repo}")
            shutil.rmtree(self.src)  # left by a clone that is gone: made anew
        if not self.src.exists():
            # --force: the path may still be registered for a scratch tree deleted by hand.
            git(self.repo, "worktree", "add", "--force", "--detach", str(self.src), "HEAD")
        marker.touch()
        wanted = [p for p in listed_files(self.repo) if (self.repo / p).exists()
                  or (self.repo / p).is_symlink()]
        copied = sum(write_if_different(self.repo / p, self.src / p) for p in wanted)
        stale = set(listed_files(self.src)) - set(wanted)
        for p in stale:
            with contextlib.suppress(FileNotFoundError):
                (self.src / p).unlink()
        log(f"scratch tree {self.src}: {copied} file(s) updated, {len(stale)} removed")

    def is_worktree_of_repo(self) -> bool:
        """True when src is a worktree of its own (not a folder inside one) of this repository."""
        try:
            top = git(self.src, "rev-parse", "--show-toplevel").strip()
            common = git(self.src, "rev-parse", "--git-common-dir").strip()
            mine = git(self.repo, "rev-parse", "--git-common-dir").strip()
        except subprocess.CalledProcessError:
            return False
        return Path(top).resolve() == self.src.resolve() and \
            (self.src / common).resolve() == (self.repo / mine).resolve()

    def configure(self) -> None:
        """Configures the scratch build once (Release, no benchmarks, shared libraries)."""
        if (self.build / "build.ninja").exists():
            return
        args = ["cmake", "-S", str(self.src), "-B", str(self.build), "-G", "Ninja",
                "-DCMAKE_BUILD_TYPE=Release", "-DQUORVEL_BENCHMARKS=OFF"]
        if self.shared:
            include = self.workdir / "shared-libs.cmake"
            include.write_text(SHARED_LIBS_CMAKE)
            args += ["-DBUILD_SHARED_LIBS=ON", f"-DCMAKE_PROJECT_INCLUDE={include}",
                     # a test program is not relinked when only a library it loads changed
                     "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"]
        t0 = time.monotonic()
        result = subprocess.run(args, capture_output=True, text=True)
        if result.returncode != 0:
            shutil.rmtree(self.build, ignore_errors=True)
            raise SystemExit("configuring the scratch build failed:\n" + result.stdout +
                             result.stderr)
        log(f"configured {self.build} in {time.monotonic() - t0:.1f} s")

    def run_build(self, targets: list[str], timeout: float | None) -> tuple[str, float, str]:
        """Builds targets (all when empty): ('ok' | 'failed' | 'timeout', seconds, output)."""
        cmd = ["ninja", "-C", str(self.build), f"-j{self.jobs}", *targets]
        t0 = time.monotonic()
        with tempfile.TemporaryFile() as out:
            proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
            try:
                rc = proc.wait(timeout=timeout)
                status = "ok" if rc == 0 else "failed"
            except subprocess.TimeoutExpired:
                # ninja, interrupted, deletes what its stopped commands half wrote.
                proc.send_signal(signal.SIGINT)
                try:
                    proc.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
                status = "timeout"
            except BaseException:
                proc.send_signal(signal.SIGINT)
                proc.wait()
                raise
            out.seek(0)
            output = out.read().decode("utf-8", "replace")
        self.last_build_end_ns = time.time_ns()
        return status, time.monotonic() - t0, output

    def known_targets(self) -> list[str]:
        out = subprocess.run(["ninja", "-C", str(self.build), "-t", "targets", "all"],
                             check=True, capture_output=True, text=True).stdout
        return [line.split(":", 1)[0] for line in out.splitlines()]

    def load_deps(self) -> None:
        """Which object files each file of the scratch tree is compiled into (ninja's deps log)."""
        out = subprocess.run(["ninja", "-C", str(self.build), "-t", "deps"], check=True,
                             capture_output=True, text=True).stdout
        # Headers reached through a link (the build's include folders link to the source
        # folders) count as the source files they are.
        prefix = os.path.realpath(self.src) + os.sep
        self.deps: dict[str, list[str]] = {}
        obj = None
        real: dict[str, str] = {}
        for line in out.splitlines():
            if not line.strip():
                obj = None
            elif not line[0].isspace():
                obj = line.split(": #deps", 1)[0]
            elif obj:
                seen = os.path.join(self.build, line.strip())
                dep = real.get(seen) or real.setdefault(seen, os.path.realpath(seen))
                if dep.startswith(prefix):
                    self.deps.setdefault(dep[len(prefix):], []).append(obj)
        self.all_objects = {o for objs in self.deps.values() for o in objs}
        out = subprocess.run(["ninja", "-C", str(self.build), "-t", "targets", "all"],
                             check=True, capture_output=True, text=True).stdout
        rules = dict(line.rsplit(": ", 1) for line in out.splitlines() if ": " in line)
        self.compiled = {o for o, rule in rules.items() if "_COMPILER__" in rule}
        self.linked = {o for o, rule in rules.items() if "_LINKER__" in rule}
        # The objects in each program and library, through the static libraries it links.
        direct: dict[str, set[str]] = {}
        if self.linked:
            out = subprocess.run(["ninja", "-C", str(self.build), "-t", "query",
                                  *sorted(self.linked)],
                                 check=True, capture_output=True, text=True).stdout
            target, section = None, None
            for line in out.splitlines():
                if not line.startswith(" "):
                    target = line.rstrip(":")
                    direct[target] = set()
                elif line.startswith("  ") and not line.startswith("    "):
                    section = line.strip()
                elif section.startswith("input:") and not line.strip().startswith("||"):
                    direct[target].add(line.strip().lstrip("| ").strip())

        def objects(target: str, seen: set) -> set[str]:
            found = set()
            for x in direct.get(target, ()):
                if x in self.compiled:
                    found.add(x)
                elif x in direct and x not in seen:
                    seen.add(x)
                    found |= objects(x, seen)
            return found
        self.link_objects = {t: objects(t, {t}) for t in self.linked}

    def compile_allowance(self, rel: str) -> float:
        """Seconds to add to a mutant's time limit for rebuilding what includes rel: twice what
        those objects took to compile last time, spread over the build jobs."""
        seconds = {}
        with contextlib.suppress(FileNotFoundError):
            for line in (self.build / ".ninja_log").read_text(errors="replace").splitlines():
                fields = line.split("\t")
                if len(fields) >= 4 and fields[0].isdigit() and fields[1].isdigit():
                    seconds[fields[3]] = (int(fields[1]) - int(fields[0])) / 1000
        total = sum(seconds.get(o, 0.0) for o in self.deps.get(rel, []))
        return 2 * total / max(1, self.jobs)

    def checkpoint(self, rel: str) -> None:
        """Before rel's mutants: its objects brought up to date and copied aside, with its bytes
        and time stamp, so that restore() needs no compiler.

        Files that moc reads (Q_OBJECT and the like) are left to a plain rebuild instead: moc
        decides from time stamps alone whether its output is current."""
        path = self.src / rel
        stat = path.stat()
        data = path.read_bytes()
        self.saved = {"rel": rel, "data": data, "mtime": (stat.st_atime_ns, stat.st_mtime_ns),
                      "objects": {}, "allowance": self.compile_allowance(rel)}
        objs = [o for o in self.deps.get(rel, []) if (self.build / o).exists()]
        if AUTOMOC_RE.search(data) or not objs:
            self.saved["objects"] = None
            return
        status, _, output = self.run_build(objs, None)
        if status != "ok":
            raise SystemExit(f"the objects of the unmutated {rel} do not build:\n{output[-3000:]}")
        keep = self.workdir / "objects"
        shutil.rmtree(keep, ignore_errors=True)
        keep.mkdir()
        for n, o in enumerate(objs):
            copy = keep / f"{n}.o"
            shutil.copyfile(self.build / o, copy)
            self.saved["objects"][o] = copy

    def mutate(self, data: bytes) -> None:
        """Puts a mutant of the checkpointed file in place."""
        self.write_source(self.saved["rel"], data)
        self.mutant_written_ns = os.stat(self.src / self.saved["rel"]).st_mtime_ns

    def restore(self) -> None:
        """The checkpointed file back, byte for byte with its time stamp; every object built
        from its mutant replaced by its copy, every program or library linked since removed."""
        rel, path = self.saved["rel"], self.src / self.saved["rel"]
        if self.saved["objects"] is None:
            self.write_source(rel, self.saved["data"])  # newer than every output: all rebuilt
            return
        path.write_bytes(self.saved["data"])
        os.utime(path, ns=self.saved["mtime"])
        dependents = set(self.deps.get(rel, []))
        built = self.outputs_built_since(self.mutant_written_ns)
        new_objects = {o for o in built if o in self.compiled and o not in self.all_objects}
        for out in built:
            full = self.build / out
            if out in self.saved["objects"]:
                # ninja trusts an object's recorded dependencies only while the object is not
                # newer than the record: the copy takes the time stamp of the object it replaces.
                stat = full.stat()
                shutil.copyfile(self.saved["objects"][out], full)
                os.utime(full, ns=(stat.st_atime_ns, stat.st_mtime_ns))
            elif out in self.linked:
                if self.link_objects[out] & (dependents | new_objects):
                    full.unlink()  # linked with mutated objects: linked anew when needed
            elif out in dependents or out not in self.all_objects:
                full.unlink()  # compiled from the mutant, or of unknown origin: built anew

    def outputs_built_since(self, ns: int) -> list[str]:
        """Object files and linked programs and libraries written at or after time stamp ns."""
        found = []
        for out in self.compiled | self.linked:
            with contextlib.suppress(FileNotFoundError):
                if os.stat(self.build / out).st_mtime_ns >= ns:
                    found.append(out)
        return found

    def write_source(self, rel: str, data: bytes) -> None:
        """Writes a source file so that the next build sees it as newer than every output."""
        path = self.src / rel
        path.write_bytes(data)
        while os.stat(path).st_mtime_ns <= self.last_build_end_ns:
            time.sleep(0.005)  # coarse file-system clocks: wait until a touch is newer
            os.utime(path)


@dataclasses.dataclass
class TestCase:
    """One CTest test as ctest would run it."""
    name: str
    command: list[str]
    env: dict[str, str]
    cwd: str | None
    will_fail: bool = False
    skip_code: int | None = None
    pass_re: list[str] = dataclasses.field(default_factory=list)
    fail_re: list[str] = dataclasses.field(default_factory=list)
    timeout: float | None = None
    baseline: float = 1.0
    source_text: str = ""


def ctest_json(scratch: Scratch, exclude_labels: str, include: str | None) -> list[dict]:
    """The tests ctest would run with -LE exclude_labels [-R include] (json-v1 records)."""
    cmd = ["ctest", "--test-dir", str(scratch.build), "--show-only=json-v1"]
    if exclude_labels:
        cmd += ["-LE", exclude_labels]
    if include:
        cmd += ["-R", include]
    data = json.loads(subprocess.run(cmd, check=True, capture_output=True, text=True).stdout)
    return data.get("tests", [])


def build_targets(scratch: Scratch, exclude_labels: str, include: str | None) -> list[str]:
    """What to build for the chosen tests: everything, unless -R picked tests that are targets."""
    if not include:
        return []
    known = set(scratch.known_targets())
    names = [t["name"] for t in ctest_json(scratch, exclude_labels, include)]
    return names if names and all(n in known for n in names) else []


def load_tests(scratch: Scratch, exclude_labels: str, include: str | None) -> list[TestCase]:
    """The chosen tests, once built, with the settings ctest would run them with."""
    tests = []
    for t in ctest_json(scratch, exclude_labels, include):
        if not t.get("command"):
            raise SystemExit(f"{t['name']}: ctest knows no command for it (not built?)")
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        if props.get("DISABLED"):
            continue
        env = {}
        for item in props.get("ENVIRONMENT", []):
            key, _, value = item.partition("=")
            env[key] = value
        src = scratch.src / "tests" / (t["name"] + ".cpp")
        tests.append(TestCase(
            name=t["name"], command=t["command"], env=env, cwd=props.get("WORKING_DIRECTORY"),
            will_fail=bool(props.get("WILL_FAIL")),
            skip_code=props.get("SKIP_RETURN_CODE"),
            pass_re=list(props.get("PASS_REGULAR_EXPRESSION", [])),
            fail_re=list(props.get("FAIL_REGULAR_EXPRESSION", [])),
            timeout=props.get("TIMEOUT"),
            source_text=src.read_text(errors="replace") if src.exists() else ""))
    if not tests:
        raise SystemExit("no test to run")
    return tests


class TestRunner:
    """Runs tests most-likely-to-fail first, a few at a time, stopping at the first failure."""

    def __init__(self, tests: list[TestCase], parallel: int):
        self.tests = tests
        self.parallel = max(1, parallel)
        self.kills_by_file: dict[str, dict[str, int]] = {}
        self.kills_by_folder: dict[str, dict[str, int]] = {}

    def order(self, path: str) -> list[TestCase]:
        """Tests that killed mutants of this file, then tests whose source includes the file,
        then those that killed mutants of its folder, then those named after its folder or
        file, then the quickest."""
        stem = Path(path).stem
        folder = path.split("/", 1)[0]
        by_file = self.kills_by_file.get(path, {})
        by_folder = self.kills_by_folder.get(folder, {})

        def named_after(t: TestCase) -> bool:
            key = re.sub(r"^tst_|^test_|_test$", "", t.name)
            return any(a.startswith(b) for a, b in ((key, folder), (folder, key), (stem, key)))
        return sorted(self.tests, key=lambda t: (
            -by_file.get(t.name, 0), -(f'{folder}/{stem}.h"' in t.source_text),
            -by_folder.get(t.name, 0), -named_after(t), t.baseline, t.name))

    def record_kill(self, path: str, test: str) -> None:
        for table, key in ((self.kills_by_file, path),
                           (self.kills_by_folder, path.split("/", 1)[0])):
            table.setdefault(key, {})
            table[key][test] = table[key].get(test, 0) + 1

    @staticmethod
    def _passed(t: TestCase, rc: int, output: str) -> bool:
        if t.skip_code is not None and rc == int(t.skip_code):
            return True
        if t.fail_re and any(re.search(r, output) for r in t.fail_re):
            return False
        if t.pass_re:
            return any(re.search(r, output) for r in t.pass_re)
        return (rc != 0) if t.will_fail else (rc == 0)

    def run(self, order: list[TestCase], deadline: float, limit_factor: float | None):
        """('passed' | 'failed' | 'timeout', failing test name, its output tail, seconds)."""
        failures, seconds = self._run(order, deadline, limit_factor, every=False)
        return (failures[0] if failures else ("passed", None, "")) + (seconds,)

    def run_every(self, order: list[TestCase], deadline: float, limit_factor: float | None):
        """Every test of order, whatever fails: ({failing test: 'failed' | 'timeout'}, the
        failing tests' output tails, seconds)."""
        failures, seconds = self._run(order, deadline, limit_factor, every=True)
        return ({name: verdict for verdict, name, _ in failures},
                {name: tail for _, name, tail in failures}, seconds)

    def _run(self, order, deadline, limit_factor, every):
        """[(verdict, test name, output tail)] of the tests that failed or timed out, in the
        order they ended, and the seconds taken; unless every, the first failure ends the run."""
        t0 = time.monotonic()
        queue = list(order)
        running = []  # (test, process, output file, own deadline)
        failures = []
        try:
            while queue or running:
                while queue and len(running) < self.parallel:
                    t = queue.pop(0)
                    own = deadline
                    if limit_factor:
                        own = min(own, time.monotonic() + max(20.0, limit_factor * t.baseline))
                    if t.timeout:
                        own = min(own, time.monotonic() + float(t.timeout))
                    out = tempfile.TemporaryFile()
                    env = dict(os.environ)
                    env.update(t.env)
                    proc = subprocess.Popen(t.command, cwd=t.cwd, env=env, stdout=out,
                                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                            start_new_session=True)
                    running.append((t, proc, out, own))
                time.sleep(0.002)
                for item in list(running):
                    t, proc, out, own = item
                    rc = proc.poll()
                    if rc is None and time.monotonic() < own:
                        continue
                    running.remove(item)
                    if rc is None:
                        _kill(proc)
                        out.close()
                        failures.append(("timeout", t.name, ""))
                    else:
                        out.seek(0)
                        text = out.read().decode("utf-8", "replace")
                        out.close()
                        if not self._passed(t, rc, text):
                            failures.append(("failed", t.name, text[-3000:]))
                    if failures and not every:
                        return failures, time.monotonic() - t0
            return failures, time.monotonic() - t0
        finally:
            for _, proc, out, _ in running:
                _kill(proc)
                out.close()


def _kill(proc: subprocess.Popen) -> None:
    """Ends a test and everything it started (it runs in a session of its own)."""
    with contextlib.suppress(ProcessLookupError):
        os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


# --------------------------------------------------------------------------------------------
# The run
# --------------------------------------------------------------------------------------------

@dataclasses.dataclass
class Result:
    mutant: Mutant
    status: str            # killed | timeout | survived | not-compiled | build-timeout
    test: str | None
    build_s: float
    test_s: float
    killers: list[str] = dataclasses.field(default_factory=list)  # --matrix: every failing test


def run_mutants(mutants: list[Mutant], scratch: Scratch, runner: TestRunner,
                targets: list[str], timeout: float, limit_factor: float | None,
                verbose: bool, matrix: bool = False) -> list[Result]:
    """Builds and tests each mutant in turn, restoring its file byte for byte afterwards.

    The test most likely to fail is built and run first, alone; the rest of the tree is built
    only when it passes. With matrix, the whole tree is built and every test runs, so that each
    result names all the tests that kill its mutant."""
    results = []
    known = set(scratch.known_targets())
    current = None
    try:
        for n, m in enumerate(mutants, 1):
            if m.path != current:
                scratch.checkpoint(m.path)
                current = m.path
            text = scratch.saved["data"].decode("utf-8", "surrogateescape")
            start = time.monotonic()
            deadline = start + timeout + scratch.saved["allowance"]
            scratch.mutate(m.apply(text).encode("utf-8", "surrogateescape"))
            order = runner.order(m.path)
            first = [t for t in order[:1] if t.name in known and not matrix]
            stages = ([(first, [t.name for t in first])] if first else []) + \
                [([t for t in order if t not in first], targets)]
            stages = [(tests, stage_targets) for tests, stage_targets in stages if tests]
            status, test, build_s, test_s = "survived", None, 0.0, 0.0
            killers = []
            try:
                for tests, stage_targets in stages:
                    built, secs, output = scratch.run_build(stage_targets,
                                                            max(1.0, deadline - time.monotonic()))
                    build_s += secs
                    if built != "ok":
                        status = "not-compiled" if built == "failed" else "build-timeout"
                        if verbose and built == "failed":
                            for e in [x for x in output.splitlines() if "error" in x][:2]:
                                log("    " + e[:200])
                        break
                    if matrix:
                        # Each test keeps its own limit; the mutant's deadline is for its build.
                        verdicts, tails, secs = runner.run_every(
                            tests, max(deadline, time.monotonic() + sum(
                                max(20.0, 10 * t.baseline) for t in tests)), limit_factor)
                        killers = [t.name for t in tests if t.name in verdicts]
                        verdict, test = "passed", None
                        if killers:
                            test = killers[0]
                            verdict = "timeout" if all(v == "timeout" for v in
                                                       verdicts.values()) else "failed"
                        tail = tails.get(test, "")
                    else:
                        verdict, test, tail, secs = runner.run(tests, deadline, limit_factor)
                    test_s += secs
                    if verdict != "passed":
                        status = "killed" if verdict == "failed" else "timeout"
                        runner.record_kill(m.path, test)
                        if verbose and tail:
                            lines = tail.strip().splitlines()
                            shown = [x for x in lines
                                     if re.search(r"FAIL|Actual|Expected|Loc:", x)]
                            for x in (shown or lines[-1:])[:4]:
                                log("    " + x.strip()[:200])
                        break
            finally:
                scratch.restore()
            results.append(Result(m, status, test, build_s, test_s, killers))
            by = f" by {test}" if status in ("killed", "timeout") else ""
            if len(killers) > 1:
                by = " by " + ", ".join(killers)
            log(f"[{n:>{len(str(len(mutants)))}}/{len(mutants)}] {m.path}:{m.line} {m.op}: "
                f"{status}{by} (build {build_s:.1f} s, tests {test_s:.1f} s)")
    except KeyboardInterrupt:
        log("interrupted: the scratch tree is restored")
        raise
    return results


def baseline(scratch: Scratch, args, include: str | None) -> tuple[TestRunner, list[str]]:
    """Builds the unmutated tree and runs every chosen test once: all must pass. Returns the
    runner, knowing each test's duration, and the build targets (empty: everything)."""
    targets = build_targets(scratch, args.exclude_labels, include)
    status, secs, output = scratch.run_build(targets, None)
    if status != "ok":
        raise SystemExit("the unmutated scratch tree does not build:\n" + output[-4000:])
    log(f"baseline build: {secs:.1f} s" + (f" ({' '.join(targets)})" if targets else ""))
    scratch.load_deps()
    runner = TestRunner(load_tests(scratch, args.exclude_labels, include), args.test_jobs)
    for t in runner.tests:
        t0 = time.monotonic()
        verdict, _, tail, _ = TestRunner([t], 1).run([t], time.monotonic() + 600, None)
        t.baseline = time.monotonic() - t0
        if verdict != "passed":
            raise SystemExit(f"{t.name} fails without any mutant:\n{tail}")
    log("baseline tests: " + ", ".join(f"{t.name} {t.baseline:.2f} s" for t in runner.tests))
    return runner, targets


def summary(results: list[Result]) -> str:
    """Survivors, time-outs and the Markdown kill-rate table, per folder and overall."""
    lines = []
    survivors = [r for r in results if r.status == "survived"]
    if survivors:
        lines.append(f"\nSurvivors ({len(survivors)}):")
        for r in survivors:
            m = r.mutant
            lines += [f"{m.path}:{m.line} [{m.op}]", f"  - {m.original}", f"  + {m.mutated}"]
    timeouts = [r for r in results if r.status == "timeout"]
    if timeouts:
        lines.append(f"\nTime-outs, counted as killed ({len(timeouts)}):")
        for r in timeouts:
            lines.append(f"{r.mutant.path}:{r.mutant.line} [{r.mutant.op}] {r.mutant.mutated} "
                         f"({r.test})")
    slow = [r for r in results if r.status == "build-timeout"]
    if slow:
        lines.append(f"\nBuild time-outs, left out of the rate ({len(slow)}):")
        lines += [f"{r.mutant.path}:{r.mutant.line} [{r.mutant.op}]" for r in slow]

    def row(name, rs):
        killed = sum(r.status in ("killed", "timeout") for r in rs)
        survived = sum(r.status == "survived" for r in rs)
        nc = sum(r.status in ("not-compiled", "build-timeout") for r in rs)
        rate = f"{100 * killed / (killed + survived):.0f} %" if killed + survived else "–"
        return f"| {name} | {len(rs)} | {killed} | {survived} | {nc} | {rate} |"

    folders = sorted({r.mutant.folder for r in results})
    lines += ["", "| folder | mutants | killed | survived | not compiled | kill rate |",
              "|---|---|---|---|---|---|"]
    lines += [row(f, [r for r in results if r.mutant.folder == f]) for f in folders]
    lines.append(row("**all**", results))
    return "\n".join(lines)


def matrix_rows(results: list[Result]) -> list[dict]:
    """The kill matrix as JSON records: each mutant with every test that kills it."""
    return [{"path": r.mutant.path, "line": r.mutant.line, "operator": r.mutant.op,
             "original": r.mutant.original, "mutated": r.mutant.mutated, "status": r.status,
             "killed_by": r.killers} for r in results]


def unique_kills(results: list[Result], tests: list[str]) -> str:
    """Per test: the mutants it kills, and those no other test kills; the tests with no unique
    kill are the candidates to drop (drop one at a time: two may each be the other's cover)."""
    kills = {t: 0 for t in tests}
    unique = {t: 0 for t in tests}
    for r in results:
        for t in r.killers:
            kills[t] = kills.get(t, 0) + 1
        if len(r.killers) == 1:
            unique[r.killers[0]] = unique.get(r.killers[0], 0) + 1
    names = sorted(kills, key=lambda t: (-unique[t], -kills[t], t))
    lines = ["", "| test | kills | unique kills |", "|---|---|---|"]
    lines += [f"| {t} | {kills[t]} | {unique[t]} |" for t in names]
    idle = [t for t in names if unique[t] == 0]
    lines.append("\nCandidates to drop (no unique kill): " + (", ".join(idle) if idle else "none"))
    return "\n".join(lines)


def smoke(repo: Path, args) -> int:
    """Runs the one known mutant against its test; 0 only if it was built and killed."""
    t0 = time.monotonic()
    path = repo / SMOKE["path"]
    mutants = [m for m in generate(SMOKE["path"], path.read_text(errors="surrogateescape"))
               if m.original == SMOKE["original"] and m.mutated == SMOKE["mutated"]]
    if len(mutants) != 1:
        log(f"smoke: the known mutant of {SMOKE['path']} is not there any more "
            f"({len(mutants)} found): update SMOKE in scripts/mutate.py")
        return 1
    scratch = Scratch(repo, args.workdir or default_workdir(repo), args.jobs, not args.static)
    scratch.lock()
    scratch.prepare()
    scratch.configure()
    runner, targets = baseline(scratch, args, SMOKE["tests"])
    result = run_mutants(mutants, scratch, runner, targets, args.timeout, 10.0, True)[0]
    m = result.mutant
    log(f"smoke: {m.path}:{m.line}\n  - {m.original}\n  + {m.mutated}\n"
        f"smoke: {result.status} ({time.monotonic() - t0:.1f} s in all)")
    return 0 if result.status == "killed" else 1


def list_mutants(mutants: list[Mutant], every: list[Mutant]) -> None:
    """Prints the mutants, then their counts per operator and per folder."""
    for m in mutants:
        log(f"{m.path}:{m.line} [{m.op}]\n  - {m.original}\n  + {m.mutated}")
    log("")
    log("| operator | generated | listed |")
    log("|---|---|---|")
    for op in OPERATORS:
        log(f"| {op} | {sum(m.op == op for m in every)} | {sum(m.op == op for m in mutants)} |")
    log(f"| **all** | {len(every)} | {len(mutants)} |")
    folders = sorted({m.folder for m in every})
    log("\n" + ", ".join(f"{f}: {sum(m.folder == f for m in mutants)}" for f in folders))


def parse_args(argv=None):
    p = argparse.ArgumentParser(
        description=__doc__,
        epilog="Operators: " + ", ".join(OPERATORS) + ". Results: killed (a test failed), "
               "time-out (counted as killed), survived, not compiled (left out of the rate).",
        formatter_class=argparse.RawDescriptionHelpFormatter)
    what = p.add_mutually_exclusive_group()
    what.add_argument("--since", metavar="REF",
                      help="mutate the files changed between REF and the working tree")
    what.add_argument("--folders", nargs="+", metavar="DIR",
                      help="mutate the .cpp and .h files of these folders (default: every "
                           "source folder)")
    what.add_argument("--smoke", action="store_true",
                      help="run one known mutant; exit 0 only if it was built and killed")
    p.add_argument("--sample", type=int, metavar="N",
                   help="run N mutants, each folder getting its share (default: all)")
    p.add_argument("--seed", type=int, default=1, help="sampling seed (default 1)")
    p.add_argument("--operators", nargs="+", choices=OPERATORS, metavar="OP",
                   help="only these operators")
    p.add_argument("--grep", metavar="REGEX",
                   help="only mutants whose `path:line original ==> mutated` matches REGEX")
    p.add_argument("--sample-grep", metavar="REGEX",
                   help="draw the sample first, then run only its mutants matching REGEX "
                        "(a part of a campaign's sample, e.g. its .cpp mutants)")
    p.add_argument("--list", action="store_true", help="list the mutants it would run, no build")
    p.add_argument("--timeout", type=float, default=120.0,
                   help="seconds for one mutant's build and tests (default 120), plus twice "
                        "what the objects that include its file took to compile last time")
    p.add_argument("--test-limit-factor", type=float, default=10.0, metavar="F",
                   help="a test running F times its unmutated time (at least 20 s) is a "
                        "time-out (default 10; 0 leaves only --timeout)")
    p.add_argument("--jobs", type=int, default=os.cpu_count() or 2,
                   help="build parallelism (default: the number of cores)")
    p.add_argument("--test-jobs", type=int, default=min(2, os.cpu_count() or 1),
                   help="tests run at once (default 2)")
    p.add_argument("--workdir", type=Path,
                   help="folder of the scratch worktree and its build (default: a folder under "
                        "the temp folder, named after the repository; reused between runs)")
    p.add_argument("--static", action="store_true",
                   help="keep the project's static libraries in the scratch build (slower "
                        "relinks)")
    p.add_argument("--exclude-labels", default=DEFAULT_EXCLUDED_LABELS, metavar="REGEX",
                   help=f"leave out tests with these CTest labels (default {DEFAULT_EXCLUDED_LABELS!r})")
    p.add_argument("--tests", metavar="REGEX", help="only the tests ctest -R REGEX selects")
    p.add_argument("--equivalents", type=Path, help=f"default: {EQUIVALENTS_FILE}")
    p.add_argument("--json", type=Path, metavar="FILE", help="also write the results as JSON")
    p.add_argument("--matrix", type=Path, metavar="FILE",
                   help="run every test on every mutant (no stop at the first kill), write "
                        "which tests kill each mutant to FILE (JSON) and print each test's "
                        "unique kills")
    p.add_argument("--fail-under", type=float, metavar="PERCENT",
                   help="exit 1 when the overall kill rate is below PERCENT")
    p.add_argument("--verbose", action="store_true",
                   help="show the failing line of each killing test and compile errors")
    return p.parse_args(argv)


def main(argv=None) -> int:
    args = parse_args(argv)
    repo = Path(git(Path(__file__).resolve().parent, "rev-parse", "--show-toplevel").strip())
    if args.workdir:
        args.workdir = args.workdir.resolve()
    if args.smoke:
        return smoke(repo, args)

    files = select_files(repo, args.folders or default_folders(repo), args.since)
    if not files:
        log("no .cpp or .h file to mutate")
        return 0
    every = []
    for f in files:
        every += generate(f, (repo / f).read_text(encoding="utf-8", errors="surrogateescape"))
    if args.operators:
        every = [m for m in every if m.op in args.operators]
    if args.grep:
        pattern = re.compile(args.grep)
        every = [m for m in every if pattern.search(
            f"{m.path}:{m.line} {m.original} ==> {m.mutated}")]
    entries = load_equivalents(args.equivalents or repo / EQUIVALENTS_FILE)
    candidates = [m for m in every if not is_equivalent(m, entries)]
    for e in entries:
        if not e.used and any(e.path == f for f in files):
            log(f"note: equivalent mutant at line {e.lineno} no longer matches any mutant")
    chosen = sample(candidates, args.sample, args.seed)
    if args.sample_grep:
        pattern = re.compile(args.sample_grep)
        kept = [m for m in chosen if pattern.search(
            f"{m.path}:{m.line} {m.original} ==> {m.mutated}")]
        log(f"{len(chosen) - len(kept)} of the sample left unrun by --sample-grep")
        chosen = kept
    log(f"{len(files)} file(s), {len(every)} mutant(s), {len(every) - len(candidates)} "
        f"equivalent skipped, {len(chosen)} chosen (seed {args.seed})")
    if args.list:
        list_mutants(chosen, every)
        return 0

    t0 = time.monotonic()
    scratch = Scratch(repo, args.workdir or default_workdir(repo), args.jobs, not args.static)
    scratch.lock()
    scratch.prepare()
    scratch.configure()
    runner, targets = baseline(scratch, args, args.tests)
    setup_s = time.monotonic() - t0

    def on_term(signum, frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, on_term)
    results = run_mutants(chosen, scratch, runner, targets, args.timeout,
                          args.test_limit_factor or None, args.verbose, bool(args.matrix))
    total = time.monotonic() - t0
    log(summary(results))
    if args.matrix:
        args.matrix.write_text(json.dumps({"tests": [t.name for t in runner.tests],
                                           "mutants": matrix_rows(results)}, indent=1) + "\n")
        log(unique_kills(results, [t.name for t in runner.tests]))
    run_s = total - setup_s
    log(f"\n{len(results)} mutant(s) in {run_s:.0f} s ({run_s / max(1, len(results)):.1f} s "
        f"each; builds {sum(r.build_s for r in results):.0f} s, tests "
        f"{sum(r.test_s for r in results):.0f} s), set-up and baseline {setup_s:.0f} s")
    if args.json:
        args.json.write_text(json.dumps([{
            "path": r.mutant.path, "line": r.mutant.line, "operator": r.mutant.op,
            "original": r.mutant.original, "mutated": r.mutant.mutated, "status": r.status,
            "test": r.test, "build_s": round(r.build_s, 2), "test_s": round(r.test_s, 2)}
            for r in results], indent=1) + "\n")
    if args.fail_under is not None:
        killed = sum(r.status in ("killed", "timeout") for r in results)
        survived = sum(r.status == "survived" for r in results)
        if killed + survived and 100 * killed / (killed + survived) < args.fail_under:
            return 1
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
