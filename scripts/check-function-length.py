#!/usr/bin/env python3
"""Fails naming every function longer than the limit in the project's C and C++ sources.

usage: check-function-length.py REPOSITORY [LIMIT]

Counts the lines of a function's body between its braces (a lambda counts with the function it
stands in). Tests and the build's own output are not held to it.
"""
import os
import re
import sys

SKIPPED = {"tests", "build", ".git", "node_modules"}
CONTROL = re.compile(r"\b(if|for|while|switch|catch)\s*\(.*\)\s*$")
SIGNATURE_END = re.compile(r"\)\s*(const|override|final|noexcept|mutable|->\s*[\w:<>,\s\*&]+)*\s*$")


def code_only(text):
    """The text with comments, strings and characters blanked, lines kept."""
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r'R"(\w*)\(.*?\)\1"', lambda m: '""' + "\n" * m.group(0).count("\n"), text,
                  flags=re.S)
    text = re.sub(r'"(\\.|[^"\\\n])*"', '""', text)
    return re.sub(r"'(\\.|[^'\\\n])*'", "''", text)


def long_functions(path, limit):
    with open(path, encoding="utf-8", errors="replace") as source:
        text = code_only(source.read())
    found = []
    open_braces = []  # (line, whether it opens a function body)
    start = 0  # where the text before the next brace begins
    line = 1
    for at, character in enumerate(text):
        if character == "\n":
            line += 1
        elif character == "{":
            before = re.split(r"[;{}]", text[start:at])[-1].strip()
            opens_function = (SIGNATURE_END.search(before) is not None and
                              CONTROL.search(before) is None and
                              not any(inside for _, inside in open_braces))
            open_braces.append((line, opens_function))
            start = at + 1
        elif character == "}":
            start = at + 1
            if not open_braces:
                continue
            first, opens_function = open_braces.pop()
            if opens_function and line - first - 1 > limit:
                found.append((first, line - first - 1))
        elif character == ";":
            start = at + 1
    return found


def main():
    root = sys.argv[1]
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    status = 0
    for directory, folders, files in os.walk(root):
        folders[:] = sorted(f for f in folders if f not in SKIPPED and not f.startswith("."))
        for name in sorted(files):
            if not name.endswith((".h", ".c", ".cpp")):
                continue
            path = os.path.join(directory, name)
            for first, length in long_functions(path, limit):
                print(f"{os.path.relpath(path, root)}:{first}: a function of {length} lines "
                      f"(at most {limit})")
                status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
