#!/usr/bin/env python3
"""Fails when the join engine keeps mutable state of its own.

The engine's data travels as arguments: a join's inputs, its progress (view
and tally) and its outcome are handed from stage to stage. The one record it
keeps for the life of the module is the join state record, which the
plug-in's window shows. This check reads every source under ENGINE (default:
engine/ below the checkout) and names each variable that outlives a call:

- a namespace-scope variable that is neither const nor constexpr (a pointer
  counts as const only when the pointer itself is), static or not, extern or
  defined;
- a static data member that is neither const nor constexpr;
- a function-local static or thread_local that is neither.

The join state record is allowed by name. Usage:

  check-engine-state.py [ENGINE]

Prints one line per variable found ("FILE:LINE: NAME: what it is") and exits
1 when there is any, else says so and exits 0. A reader of C++ text, not a
compiler: it knows declarations as the engine writes them.
"""

import pathlib
import re
import sys

ALLOWED = {"JoinState"}  # the join state record
SOURCES = {".h", ".hpp", ".cpp", ".cc", ".inc"}

CLASS_KEYS = {"class", "struct", "union", "enum"}
SKIPPED_STARTS = {"using", "typedef", "static_assert", "friend", "template", "namespace", "return"}


def strip(text):
    """Comments, string and character literals and preprocessor lines
    blanked out, newlines kept so that line numbers hold."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            out.append(c)
            i += 1
            continue
        if line_start and c == "#":
            # A directive, with its continuation lines.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out.append("\n")
                    i += 2
                    continue
                i += 1
            continue
        line_start = False
        if c == "\n":
            out.append(c)
            line_start = True
            i += 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delim = text[i + 2:open_paren]
            end = text.find(")" + delim + '"', open_paren)
            end = n if end < 0 else end + len(delim) + 2
            out.append('""' + re.sub(r"[^\n]", "", text[i:end]))
            i = end
        elif c == '"':
            j = i + 1
            while j < n and text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            out.append('""')
            i = j + 1
        elif c == "'" and not (i > 0 and text[i - 1].isalnum()):
            # A character literal; a quote after a digit separates digits.
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            out.append("' '")
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def drop_template_args(s):
    """Text with every <...> argument list taken out (declarator's type)."""
    out, depth = [], 0
    for c in s:
        if c == "<":
            depth += 1
        elif c == ">" and depth > 0:
            depth -= 1
        elif depth == 0:
            out.append(c)
    return "".join(out)


def operators(s):
    """Operator names as one word, so that `operator==` reads as no `=`."""
    return re.sub(r"operator\s*(\(\)|[^\s(]+)", "operator", s)


def words(s):
    return re.findall(r"[A-Za-z_]\w*", s)


def lead(s):
    """The statement without attributes, access labels and a template head."""
    s = re.sub(r"\[\[.*?\]\]", " ", s).strip()
    s = re.sub(r"^(public|private|protected)\s*:(?!:)", " ", s).strip()
    if s.startswith("template"):
        s = drop_template_args(s[len("template"):]).strip()
    return s


def variable(statement):
    """(name, why) when the statement declares a variable that is not const,
    else None. `statement` has its initialiser braces taken out."""
    s = operators(lead(statement))
    first = words(s)[:1]
    if not first or first[0] in SKIPPED_STARTS or first[0] in CLASS_KEYS and "}" not in s:
        return None
    declarator = s.split("=", 1)[0]
    pointer_to_function = re.search(r"\(\s*[*&]\s*(\w+)", declarator)
    if "(" in declarator and not pointer_to_function:
        return None  # a function (or a constructor call we read as one)
    if "operator" in words(declarator):
        return None
    if first and first[0] in CLASS_KEYS:
        # struct X { ... } name; : what follows the body.
        declarator = declarator.rsplit("}", 1)[1]
        if not words(declarator):
            return None
    plain = drop_template_args(declarator)
    plain = re.sub(r"\[[^\]]*\]", " ", plain)  # array bounds
    names = words(plain)
    if not names:
        return None
    name = pointer_to_function.group(1) if pointer_to_function else names[-1]
    if "constexpr" in names:
        return None
    pointer = plain.rfind("*")
    if pointer >= 0:
        const = "const" in words(plain[pointer:])
    else:
        const = "const" in names
    return None if const else name


class Scanner:
    def __init__(self, path, text):
        self.path = path
        self.text = strip(text)
        self.found = []

    def report(self, offset, name, what):
        if name in ALLOWED:
            return
        line = self.text.count("\n", 0, offset) + 1
        self.found.append(f"{self.path}:{line}: {name}: {what}")

    def scan(self):
        text = self.text
        scopes = ["namespace"]  # namespace, class, block, init
        outer = [None]  # per scope: the statement a class body interrupts
        statement, start = [], 0
        for i, c in enumerate(text):
            kind = scopes[-1]
            if kind == "init":
                # Inside an initialiser: only its nesting matters.
                if c == "{":
                    scopes.append("init")
                elif c == "}":
                    scopes.pop()
                    if scopes[-1] != "init":
                        statement.append("{}")
                continue
            if c == "{":
                s = operators(lead("".join(statement)))
                first = (words(s) or [""])[0]
                if kind == "namespace" and first in ("namespace", "extern"):
                    scopes.append("namespace")
                    outer.append(None)
                    statement, start = [], i + 1
                elif first in CLASS_KEYS and kind != "block":
                    # The body; the statement that opened it goes on after it.
                    scopes.append("class")
                    outer.append((statement, start))
                    statement, start = [], i + 1
                elif kind == "block" or ("(" in s.split("=", 1)[0] and "=" not in s.split("(", 1)[0]):
                    scopes.append("block")  # a function's body, or a block in one
                    outer.append(None)
                    statement, start = [], i + 1
                else:
                    scopes.append("init")  # a variable's braced initialiser
            elif c == "}":
                if len(scopes) == 1:
                    continue  # unbalanced text: nothing to close
                scopes.pop()
                saved = outer.pop()
                if saved is not None:
                    statement, start = saved
                    statement.append("{}")
                else:
                    statement, start = [], i + 1
            elif c == ";":
                self.end_statement(kind, "".join(statement), start)
                statement, start = [], i + 1
            elif statement or not c.isspace():
                statement.append(c)
            else:
                start = i + 1
        return self.found

    def end_statement(self, kind, statement, start):
        s = lead(statement)
        first = (words(s) or [""])[0]
        if kind == "namespace":
            name = variable(statement)
            if name:
                self.report(start, name, "mutable variable at namespace scope")
        elif kind == "class":
            if first == "static" or (first == "inline" and "static" in words(s)[:3]):
                name = variable(statement)
                if name:
                    self.report(start, name, "mutable static data member")
        elif kind == "block":
            if first in ("static", "thread_local"):
                name = variable(statement)
                if name:
                    self.report(start, name, "function-local static")


def main(argv):
    root = pathlib.Path(argv[1]) if len(argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "engine"
    if not root.is_dir():
        print(f"{root}: no such folder", file=sys.stderr)
        return 2
    found = []
    for path in sorted(p for p in root.rglob("*") if p.suffix in SOURCES and p.is_file()):
        rel = path.relative_to(root.parent).as_posix()
        found += Scanner(rel, path.read_text(encoding="utf-8", errors="replace")).scan()
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} variable(s) in {root.name}/ outlive a call; pass them as data, or keep them in the join "
              "state record")
        return 1
    print(f"{root.name}/ keeps no mutable state beside the join state record")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
