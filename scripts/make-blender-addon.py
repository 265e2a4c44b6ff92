#!/usr/bin/env python3
"""Makes the Blender add-on's zip: the folder blender/palisor with the given transfer libraries in
its lib/ folder, installable through Blender's Preferences > Add-ons > Install. The same inputs
always give the same bytes (fixed dates and permissions, entries in sorted order).

Usage: make-blender-addon.py OUTPUT.zip LIBRARY [LIBRARY...]
"""
import os
import re
import sys
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
PACKAGE = "palisor"


def entries(libraries):
    """(name in the zip, file on disk), in sorted order."""
    folder = os.path.join(ROOT, "blender", PACKAGE)
    found = []
    for directory, subdirectories, files in os.walk(folder):
        subdirectories[:] = [name for name in subdirectories if name != "__pycache__"]
        for name in files:
            if name.endswith((".py", ".toml")):
                path = os.path.join(directory, name)
                found.append((PACKAGE + "/" + os.path.relpath(path, folder).replace(os.sep, "/"),
                              path))
    for library in libraries:
        found.append((PACKAGE + "/lib/" + os.path.basename(library), library))
    return sorted(found)


def check_versions():
    """The add-on states the project's version (CMakeLists.txt's project()) in two places."""
    def read(*parts):
        with open(os.path.join(ROOT, *parts), encoding="utf-8") as file:
            return file.read()
    project = re.search(r"project\(Palisor VERSION (\d+)\.(\d+)", read("CMakeLists.txt"))
    version = "%s.%s.0" % project.groups()
    stated = {
        "bl_info": ".".join(re.search(r'"version": \((\d+), (\d+), (\d+)\)',
                                      read("blender", PACKAGE, "__init__.py")).groups()),
        "blender_manifest.toml": re.search(r'^version = "([^"]+)"',
                                           read("blender", PACKAGE, "blender_manifest.toml"),
                                           re.MULTILINE).group(1),
    }
    for place, value in stated.items():
        if value != version:
            sys.exit("make-blender-addon.py: %s says %s, the project is %s" % (place, value, version))


def main(arguments):
    if len(arguments) < 2:
        sys.exit(__doc__.strip())
    output, libraries = arguments[0], arguments[1:]
    check_versions()
    temporary = output + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, path in entries(libraries):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read())
    os.replace(temporary, output)


if __name__ == "__main__":
    main(sys.argv[1:])
