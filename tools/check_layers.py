#!/bin/sh
# Run by a shell, this file hands itself to Python, which reads the next three lines as a string.
''':'
exec python3 "$0" "$@"
'''
"""Checks that the program's includes run one way: from a folder to itself or to a lower layer.

Reads every `#include "..."` of the program's folders, maps each file to its folder and fails (exit 1, one
line per include against the direction) on an include the table below does not allow, and on any circle of
includes between folders. With --dot it prints the folder graph as Graphviz dot instead.

    python3 tools/check_layers.py [--root DIR] [--dot]
"""
import argparse
import os
import re
import sys

# The program's folders, lowest first, grouped in layers. A file may include one of its own folder or of a
# folder earlier in this list, never later: the ground's folders and the windows are ordered among
# themselves too, and the player comes after the catalogue (it may include it, not the reverse).
LAYERS = [
    ("ground", ["devices/base", "app/base", "player/base"]),  # plain values, settings file, program values
    ("devices", ["devices"]),  # drives, sound, wave files, message boxes
    ("store", ["catalogue/store"]),  # record engine and block store: knows no disc
    ("logic", ["catalogue", "player", "copy"]),  # the disc catalogue; the player's logic; disc copies
    ("windows", ["app/ui", "devices/ui", "catalogue/ui", "dialogs", "catalogue_ui", "player/ui"]),
    ("entry", ["app", "catalogue/tool", "copy/tool"]),  # app/main.cpp; the command-line front ends
]

# Folders outside the program: they may include anything and are not checked.
UNCHECKED = ["tests", "bench", "tools", "resources", "docs", "build"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_ENDINGS = (".cpp", ".h")

ORDER = [folder for _, folders in LAYERS for folder in folders]
LAYER_OF = {folder: rank for rank, (_, folders) in enumerate(LAYERS) for folder in folders}


def allowed(source, target):
    """Whether a file of folder source may include one of folder target, and if not, why."""
    if source == target or ORDER.index(target) < ORDER.index(source):
        return True, ""
    if LAYER_OF[target] == LAYER_OF[source]:
        return False, "%s may not include %s, which comes after it in the %s layer" % (
            source, target, LAYERS[LAYER_OF[source]][0])
    return False, "%s (layer %s) may not include %s of the higher layer %s" % (
        source, LAYERS[LAYER_OF[source]][0], target, LAYERS[LAYER_OF[target]][0])


def program_files(root):
    for top in sorted({folder.split("/")[0] for folder in LAYER_OF}):
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")


def read_includes(root):
    """(file, line number, included path, file's folder, included file's folder) of every local include."""
    found, errors = [], []
    for path in program_files(root):
        folder = os.path.dirname(path)
        if folder not in LAYER_OF:
            errors.append("%s: folder %s is in no layer of tools/check_layers.py" % (path, folder))
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                included = m.group(1)
                target = os.path.dirname(included)
                if "/" not in included:
                    target = folder  # a file beside it
                elif target.split("/")[0] in UNCHECKED:
                    errors.append("%s:%d: %s: the program includes no file of %s" % (path, number, included,
                                                                                   target.split("/")[0]))
                    continue
                elif target not in LAYER_OF:
                    errors.append("%s:%d: %s: folder %s is in no layer" % (path, number, included, target))
                    continue
                found.append((path, number, included, folder, target))
    return found, errors


def cycles(edges):
    """Circles in the folder graph (each as a list of folders), found by a depth-first search."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    found, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                found.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node)
    return found


def dot(edges):
    """The folder graph, layers from the entry points at the top down to the ground; an arrow per folder
    that includes another (without counts, so the picture changes only when the folders' links do)."""
    lines = ["digraph layers {", "  newrank=true;", "  ranksep=0.6;",
             '  node [shape=box, style=filled, fillcolor=white, fontname="Sans"];',
             '  edge [color="#00000060"];']
    for rank, (name, folders) in reversed(list(enumerate(LAYERS))):
        lines.append('  subgraph cluster_%d { label="%s"; style="rounded,filled"; fillcolor="#eef2f8"; '
                     "rank=same; %s }" % (rank, name, " ".join('"%s";' % f for f in folders)))
    # Keeps the layers stacked in their order.
    for upper, lower in zip(LAYERS[:0:-1], LAYERS[-2::-1]):
        lines.append('  "%s" -> "%s" [style=invis];' % (upper[1][0], lower[1][0]))
    for a, b in sorted(edges):
        lines.append('  "%s" -> "%s";' % (a, b))
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(
        description="Checks that the program's includes run one way: from a folder to itself or to a lower layer.")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                        help="the source tree (default: the one this script is in)")
    parser.add_argument("--dot", action="store_true", help="print the folder graph as Graphviz dot")
    args = parser.parse_args()

    includes, errors = read_includes(args.root)
    edges = {}
    for path, number, included, source, target in includes:
        if source != target:
            edges[(source, target)] = edges.get((source, target), 0) + 1
        ok, rule = allowed(source, target)
        if not ok:
            errors.append("%s:%d: %s: %s" % (path, number, included, rule))
    for circle in cycles(edges):
        errors.append("circle of includes between folders: %s" % " -> ".join(circle))

    if args.dot:
        sys.stdout.write(dot(edges))
        return 0
    for error in errors:
        print(error)
    if errors:
        print("%d fault(s) against the layers; the table is at the top of tools/check_layers.py" %
              len(errors))
        return 1
    print("layers: %d includes in %d folders, all in the allowed direction, no circle" % (
        len(includes), len({i[3] for i in includes})))
    return 0


if __name__ == "__main__":
    sys.exit(main())
