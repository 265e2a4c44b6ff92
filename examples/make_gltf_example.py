#!/usr/bin/env python3
"""Writes head_brows_beard.gltf, the glTF example scene of palisor-cli.

The scene holds three meshes, each on a node of its own name:
  head    the Source: the front of a sphere (99 vertices) with three morph targets, named in the
          mesh's extras.targetNames as glTF tools name them: jawOpen, mouthSmile, browInnerUp
  brows   two strips lying just over the head where the brows are (with normals)
  beard   a patch over the chin and cheeks (with normals), placed by a node translation

Running palisor-cli on it with head, brows and beard selected gives brows and beard the three
targets of head, under the same names, so that whatever drives the head's jawOpen drives theirs.

Python 3 standard library only; the output is the same on every run. The buffer is embedded as a
data URI, so the scene is one file.
"""

import base64
import json
import math
import os
import struct


def sphere_point(radius, latitude, longitude):
    phi, theta = math.radians(latitude), math.radians(longitude)
    return (radius * math.cos(phi) * math.sin(theta), radius * math.sin(phi),
            radius * math.cos(phi) * math.cos(theta))


def patch(rows, columns, radius, lat0, lat1, lon0, lon1):
    """Vertices and triangles of a latitude/longitude patch of a sphere, row by row."""
    points = []
    for row in range(rows):
        lat = lat0 + (lat1 - lat0) * row / (rows - 1)
        for column in range(columns):
            lon = lon0 + (lon1 - lon0) * column / (columns - 1)
            points.append(sphere_point(radius, lat, lon))
    triangles = []
    for row in range(rows - 1):
        for column in range(columns - 1):
            a = row * columns + column
            triangles += [a, a + 1, a + columns + 1, a, a + columns + 1, a + columns]
    return points, triangles


def bump(point, centres, width, amount):
    """The displacement `amount` scaled by a smooth bump around the nearest of the centres."""
    x, y, _ = point
    weight = max(math.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (width * width)) for cx, cy in centres)
    return tuple(a * weight for a in amount)


def unit(point):
    length = math.sqrt(sum(c * c for c in point))
    return tuple(c / length for c in point)


class Builder:
    def __init__(self):
        self.data = bytearray()
        self.views = []
        self.accessors = []

    def floats(self, vectors, bounds):
        flat = [c for v in vectors for c in v]
        while len(self.data) % 4:
            self.data.append(0)
        self.views.append({"buffer": 0, "byteOffset": len(self.data), "byteLength": 4 * len(flat)})
        self.data += struct.pack("<%df" % len(flat), *flat)
        accessor = {"bufferView": len(self.views) - 1, "componentType": 5126,
                    "count": len(vectors), "type": "VEC3"}
        if bounds:
            # Bounds of the values as stored, in 32-bit floats.
            stored = [struct.unpack("<f", struct.pack("<f", c))[0] for c in flat]
            accessor["min"] = [min(stored[k::3]) for k in range(3)]
            accessor["max"] = [max(stored[k::3]) for k in range(3)]
        self.accessors.append(accessor)
        return len(self.accessors) - 1

    def indices(self, values):
        while len(self.data) % 4:
            self.data.append(0)
        self.views.append({"buffer": 0, "byteOffset": len(self.data), "byteLength": 2 * len(values),
                           "target": 34963})
        self.data += struct.pack("<%dH" % len(values), *values)
        self.accessors.append({"bufferView": len(self.views) - 1, "componentType": 5123,
                               "count": len(values), "type": "SCALAR"})
        return len(self.accessors) - 1


def main():
    builder = Builder()
    head, head_triangles = patch(9, 11, 1.0, -60, 60, -80, 80)
    targets = {
        "jawOpen": [bump(p, [(0.0, -0.75)], 0.45, (0.0, -0.18, -0.03)) for p in head],
        "mouthSmile": [bump(p, [(-0.32, -0.45), (0.32, -0.45)], 0.22, (0.0, 0.12, -0.04))
                       for p in head],
        "browInnerUp": [bump(p, [(-0.15, 0.55), (0.15, 0.55)], 0.2, (0.0, 0.08, 0.01)) for p in head],
    }
    head_mesh = {
        "name": "head",
        "primitives": [{
            "attributes": {"POSITION": builder.floats(head, True),
                           "NORMAL": builder.floats([unit(p) for p in head], False)},
            "indices": builder.indices(head_triangles),
            "targets": [{"POSITION": builder.floats(moves, True)} for moves in targets.values()],
        }],
        "weights": [0.0] * len(targets),
        "extras": {"targetNames": list(targets)},
    }

    meshes = [head_mesh]
    for name, pieces in (("brows", [(1.01, 28, 36, -42, -10), (1.01, 28, 36, 10, 42)]),
                         ("beard", [(1.015, -62, -28, -55, 55)])):
        points, triangles = [], []
        for radius, lat0, lat1, lon0, lon1 in pieces:
            more, more_triangles = patch(3 if name == "brows" else 7, 7 if name == "brows" else 15,
                                         radius, lat0, lat1, lon0, lon1)
            triangles += [len(points) + k for k in more_triangles]
            points += more
        if name == "beard":
            # The node lifts the beard back into place: it is stored 0.5 lower.
            points = [(x, y - 0.5, z) for x, y, z in points]
        meshes.append({"name": name, "primitives": [{
            "attributes": {"POSITION": builder.floats(points, True),
                           "NORMAL": builder.floats([unit(p) for p in points], False)},
            "indices": builder.indices(triangles)}]})

    scene = {
        "asset": {"version": "2.0", "generator": "Palisor make_gltf_example.py"},
        "scene": 0,
        "scenes": [{"nodes": [0, 1, 2]}],
        "nodes": [{"name": "head", "mesh": 0}, {"name": "brows", "mesh": 1},
                  {"name": "beard", "mesh": 2, "translation": [0.0, 0.5, 0.0]}],
        "meshes": meshes,
        "accessors": builder.accessors,
        "bufferViews": builder.views,
        "buffers": [{"byteLength": len(builder.data),
                     "uri": "data:application/octet-stream;base64," +
                            base64.b64encode(bytes(builder.data)).decode("ascii")}],
    }
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "head_brows_beard.gltf")
    with open(path, "w", newline="\n") as out:
        json.dump(scene, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
