#!/usr/bin/env python3
"""Checks that each folder of the project, one library each, uses only what it is built on.

usage: check-library-directions.py REPOSITORY [--graph]

The table of what may use what is cmake/library_directions.txt: a line per folder, "folder: what
it may use", each a folder or a single header of one. A folder uses every project header its
sources reach, directly or through other headers: each must belong to the folder itself or to
something its line names (or the line "*", what every folder may use), and everything its line
names must be used. The check fails naming the include that breaks the rule and the chain of
includes that led there. It also holds the graph in docs/architecture.md to the table: the
Mermaid block there must be the one --graph prints. Tests, benchmarks, fuzzers and examples may
include anything.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
SOURCES = (".h", ".c", ".cpp")
# The line of what every folder may use.
EVERYWHERE = "*"


def read_table(root):
    table = {}
    with open(os.path.join(root, "cmake", "library_directions.txt"), encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            folder, _, uses = line.partition(":")
            if not _ or folder.strip() in table:
                sys.exit(f"cmake/library_directions.txt:{number}: not 'folder: uses', or twice")
            table[folder.strip()] = uses.split()
    return table


def includes_of(path):
    with open(path, encoding="utf-8", errors="replace") as text:
        return INCLUDE.findall(text.read())


def project_header(root, folders, header):
    """The header as a project path when it belongs to one of the folders, else None."""
    folder = header.split("/", 1)[0]
    if "/" in header and folder in folders and os.path.isfile(os.path.join(root, header)):
        return header
    return None


def allowed(table, folder, header):
    owner = header.split("/", 1)[0]
    uses = table[folder] + table.get(EVERYWHERE, [])
    return owner == folder or owner in uses or header in uses


def faults_of(root, table, folder, reached):
    """Every header outside what `folder` may use that its sources reach, with the chain; adds
    every header reached to `reached`."""
    faults = []
    for directory, _, files in os.walk(os.path.join(root, folder)):
        for name in sorted(files):
            if not name.endswith(SOURCES):
                continue
            source = os.path.relpath(os.path.join(directory, name), root)
            seen = set()
            stack = [(source, [source])]
            while stack:
                path, chain = stack.pop()
                for header in includes_of(os.path.join(root, path)):
                    header = project_header(root, table, header)
                    if header is None or header in seen:
                        continue
                    seen.add(header)
                    reached.add(header)
                    if not allowed(table, folder, header):
                        faults.append(" -> ".join(chain + [header]))
                        continue
                    stack.append((header, chain + [header]))
    return faults


def graph(table):
    lines = ["```mermaid", "graph TD"]
    for folder, uses in table.items():
        if folder == EVERYWHERE:
            continue
        headers = {}
        for use in uses:
            if "/" in use:
                owner, _, name = use.partition("/")
                headers.setdefault(owner, []).append(name)
            else:
                lines.append(f"  {folder} --> {use}")
        for owner, names in headers.items():
            lines.append(f"  {folder} -. {', '.join(names)} .-> {owner}")
    lines.append("```")
    return "\n".join(lines)


def documented_graph(root):
    with open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8") as text:
        found = re.search(r"```mermaid\n.*?```", text.read(), re.S)
    return found.group(0) if found else ""


def main():
    root = sys.argv[1]
    table = read_table(root)
    if "--graph" in sys.argv[2:]:
        print(graph(table))
        return 0
    status = 0
    for use in table.get(EVERYWHERE, []):
        if os.path.exists(os.path.join(root, use)):
            continue
        print(f"cmake/library_directions.txt: every folder may use {use}, which is not there")
        status = 1
    for folder in table:
        if folder == EVERYWHERE:
            continue
        for use in table[folder]:
            if not os.path.exists(os.path.join(root, use)):
                print(f"cmake/library_directions.txt: {folder} may use {use}, which is not there")
                status = 1
        reached = set()
        for fault in faults_of(root, table, folder, reached):
            print(f"{folder}/ may not use what it reaches: {fault}")
            status = 1
        owners = {header.split("/", 1)[0] for header in reached}
        for use in table[folder]:
            if use not in owners and use not in reached:
                print(f"cmake/library_directions.txt: {folder} may use {use}, but uses none of it")
                status = 1
    if documented_graph(root) != graph(table):
        print("docs/architecture.md: the Mermaid graph is not the table's; put in what "
              "scripts/check-library-directions.py . --graph prints")
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
