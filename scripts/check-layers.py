#!/usr/bin/env python3
"""The dependency direction of the code, checked on every #include "folder/file.h" line.

Layers, from the top (a folder may include its own headers and those of the layers below it,
never one above):

    7  apps/plotlet, apps/plotlet-desktop     the hosts a person uses
    6  command                                 the plug-in's command and its exported factory
    5  dialog                                  the main dialog
    4  engine fieldtools graphics_io preview i18n
                                               what the dialog works with; one layer, so they
                                               may include one another, but never reach back
                                               into the dialog or the command
    3  errors, resources                       the plug-in's leaves (the failure report; the
                                               module's bitmaps and identity)
    2  ui, render                              forms runtime; cairo display (render implements
                                               the host's Display)
    1  host                                    the GIS object model: never ui or render
    0  runtime                                 language-runtime helpers

Folders on one line that are not listed as one layer (ui and render, errors and resources) do
not include each other. tests/, bench/ and fuzz/ stand above everything and are not checked.

    scripts/check-layers.py [ROOT]

Prints every include that goes the wrong way, naming the file, the line and the include, and
exits 1 when there is one (ctest runs it as the test "layer_order").
"""
import pathlib
import re
import sys

# folder -> (rank, group). A file may include a folder of lower rank, its own folder, or a
# folder of its own group.
LAYERS = {
    "apps/plotlet": (7, None),
    "apps/plotlet-desktop": (7, None),
    "command": (6, None),
    "dialog": (5, None),
    "engine": (4, "modules"),
    "fieldtools": (4, "modules"),
    "graphics_io": (4, "modules"),
    "preview": (4, "modules"),
    "i18n": (4, "modules"),
    "errors": (3, None),
    "resources": (3, None),
    "ui": (2, None),
    "render": (2, None),
    "host": (1, None),
    "runtime": (0, None),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def folder_of(path, root):
    """The layer folder a source file belongs to, or None for files outside the layers."""
    rel = path.relative_to(root).parts
    if rel[0] == "src" and len(rel) > 2:
        return rel[1]
    if rel[0] == "apps" and len(rel) > 2:
        return "apps/" + rel[1]
    return None


def included_folder(include, including, root):
    """The layer folder an include names: "dialog/frmPlotlet.h" (from src/ or apps/), or a
    file beside the including one."""
    first = include.split("/", 1)[0]
    if "/" in include:
        if first in LAYERS:
            return first
        if "apps/" + first in LAYERS:
            return "apps/" + first
        return None  # a third-party or generated header
    return folder_of(including.parent / include, root) if (including.parent / include).exists() else None


def allowed(source, target):
    if source == target:
        return True
    rank, group = LAYERS[source]
    target_rank, target_group = LAYERS[target]
    return target_rank < rank or (group is not None and group == target_group)


def allowed_list(source):
    rank, group = LAYERS[source]
    names = [f for f, (r, g) in LAYERS.items() if f != source and (r < rank or (group and g == group))]
    return ", ".join(names) if names else "nothing outside itself"


def violations(root):
    found = []
    for top in ("src", "apps"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            source = folder_of(path, root)
            if source not in LAYERS:
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = included_folder(m.group(1), path, root)
                if target is None or allowed(source, target):
                    continue
                found.append(f'{path.relative_to(root)}:{number}: #include "{m.group(1)}": '
                             f'{source} may not include {target} (it may include: {allowed_list(source)})')
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    if not (root / "src").is_dir():
        print(f"check-layers: {root} holds no src/ folder", file=sys.stderr)
        return 2
    unknown = sorted(p.name for p in (root / "src").iterdir() if p.is_dir() and p.name not in LAYERS)
    if unknown:
        print(f"check-layers: src/{unknown[0]} is in no layer; add it to the table in {__file__}", file=sys.stderr)
        return 1
    found = violations(root)
    for v in found:
        print(v, file=sys.stderr)
    if found:
        print(f"check-layers: {len(found)} include(s) against the layer order", file=sys.stderr)
        return 1
    print("check-layers: every include follows the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
