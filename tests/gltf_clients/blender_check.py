"""Checks skinned glTF files written by palisor-cli with Blender's own glTF importer: the file
imports, the named object is deformed by an armature (an Armature modifier or an armature parent),
and its vertex groups, named after the joints, hold the weights written.

    blender -b --factory-startup --python-exit-code 1 --python blender_check.py -- MANIFEST.json

MANIFEST.json: [{"output": PATH, "blender": {} or {"object": NODE, "mesh": MESH,
                                               "groups": [{JOINT: WEIGHT, ...} per vertex]}}]
The mesh object is named after the node, or after the mesh where the importer keeps the node as an
empty of its own (as it does for a node whose morph weights are animated).
Prints one line per problem and a count; exits 1 when there is any.
"""
import json
import sys

import bpy


def deformed_by_armature(obj):
    by_modifier = any(m.type == 'ARMATURE' and m.object is not None for m in obj.modifiers)
    return by_modifier or (obj.parent is not None and obj.parent.type == 'ARMATURE')


def check(path, expected, fail):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    # Shading from the normals would take numpy's bool alias, which Debian's numpy no longer has.
    bpy.ops.import_scene.gltf(filepath=path, import_shading='SMOOTH')
    meshes = [bpy.data.objects.get(expected[key]) for key in ("object", "mesh")]
    meshes = [obj for obj in meshes if obj is not None and obj.type == 'MESH']
    if not meshes:
        return fail(f"Blender makes no mesh object '{expected['object']}' or '{expected['mesh']}'")
    obj = meshes[0]
    if not deformed_by_armature(obj):
        fail(f"'{obj.name}' is not deformed by an armature in Blender")
    names = {group.index: group.name for group in obj.vertex_groups}
    vertices = obj.data.vertices
    if len(vertices) != len(expected["groups"]):
        return fail(f"'{obj.name}' has {len(vertices)} vertices in Blender, "
                    f"not {len(expected['groups'])}")
    for vertex, wanted in zip(vertices, expected["groups"]):
        got = {names[g.group]: g.weight for g in vertex.groups if g.weight != 0.0}
        close = got.keys() == wanted.keys() and all(
            abs(got[name] - weight) <= 1e-5 for name, weight in wanted.items())
        if not close:
            return fail(f"vertex {vertex.index} of '{obj.name}' has the groups {got} in Blender, "
                        f"not {wanted}")


def main():
    manifest = json.load(open(sys.argv[sys.argv.index("--") + 1], encoding="utf-8"))
    failures = []
    checked = 0
    for entry in manifest:
        if not entry.get("blender"):
            continue
        checked += 1
        check(entry["output"], entry["blender"],
              lambda what, entry=entry: failures.append(f"{entry['output']}: {what}"))
    for failure in failures:
        print(failure)
    print(f"{checked} files imported by Blender, {len(failures)} problems")
    sys.exit(1 if failures else 0)


main()
