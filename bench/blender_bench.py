"""Carrying 3 shape keys from a 10^5-vertex Source to a 10^6-vertex Destination in Blender: the
add-on (from pressing OK to the keys existing) beside Blender's own Surface Deform (bind, then
apply as shape key once per key), on the same meshes.

    blender -b --factory-startup --python blender_bench.py -- ADDON.zip [SOURCE_SIDE DEST_SIDE]

(scripts/benchmark.sh runs it with the add-on built by the native build.)
"""
import sys
import time

import bpy
import numpy as np

arguments = sys.argv[sys.argv.index("--") + 1:]
ADDON_ZIP = arguments[0]
SOURCE_SIDE = int(arguments[1]) if len(arguments) > 1 else 317
DESTINATION_SIDE = int(arguments[2]) if len(arguments) > 2 else 1000
KEYS = ["smile", "blink", "frown"]


def grid(name, side, offset):
    u, v = np.meshgrid(np.linspace(-1, 1, side, dtype=np.float32),
                       np.linspace(-1, 1, side, dtype=np.float32))
    z = 0.2 * np.sin(3 * u) * np.cos(2 * v)
    points = np.stack([u.ravel(), v.ravel(), z.ravel()], axis=1) + np.float32(offset)
    rows = np.arange(side - 1)
    corner = (rows[:, None] * side + rows[None, :]).ravel()
    quads = np.stack([corner, corner + 1, corner + side + 1, corner + side], axis=1)
    mesh = bpy.data.meshes.new(name)
    mesh.vertices.add(len(points))
    mesh.vertices.foreach_set("co", points.ravel())
    mesh.loops.add(quads.size)
    mesh.loops.foreach_set("vertex_index", quads.ravel().astype(np.int32))
    mesh.polygons.add(len(quads))
    mesh.polygons.foreach_set("loop_start", np.arange(0, quads.size, 4, dtype=np.int32))
    mesh.polygons.foreach_set("loop_total", np.full(len(quads), 4, dtype=np.int32))
    mesh.update(calc_edges=True)
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    return obj, points


def scene():
    # A fresh file; reading the factory settings turns add-ons off.
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.preferences.addon_enable(module="palisor")
    source, rest = grid("body", SOURCE_SIDE, 0.0)
    source.shape_key_add(name="Basis", from_mix=False)
    for k, name in enumerate(KEYS):
        key = source.shape_key_add(name=name, from_mix=False)
        moved = rest.copy()
        moved[:, 2] += np.float32(0.05 * (k + 1)) * np.sin((k + 2) * rest[:, 0])
        key.data.foreach_set("co", moved.ravel())
    destination, _ = grid("garment", DESTINATION_SIDE, 0.003)
    return source, destination


def select(active, other):
    for obj in bpy.context.view_layer.objects:
        obj.select_set(False)
    active.select_set(True)
    other.select_set(True)
    bpy.context.view_layer.objects.active = active


def time_palisor():
    from palisor import addon
    source, destination = scene()
    select(source, destination)
    spent = []
    plain = addon.transfer

    def timed(*args, **kwargs):
        start = time.perf_counter()
        result = plain(*args, **kwargs)
        spent.append(time.perf_counter() - start)
        return result

    addon.transfer = timed
    start = time.perf_counter()
    bpy.ops.object.palisor_transfer_shape_keys('EXEC_DEFAULT')
    total = time.perf_counter() - start
    addon.transfer = plain
    return total, sum(spent)


def time_surface_deform():
    source, destination = scene()
    select(destination, source)
    modifier = destination.modifiers.new("deform", 'SURFACE_DEFORM')
    modifier.target = source
    start = time.perf_counter()
    bpy.ops.object.surfacedeform_bind(modifier=modifier.name)
    bound = time.perf_counter() - start
    for name in KEYS:
        for key in source.data.shape_keys.key_blocks[1:]:
            key.value = 1.0 if key.name == name else 0.0
        bpy.ops.object.modifier_apply_as_shapekey(keep_modifier=True, modifier=modifier.name)
    return time.perf_counter() - start, bound


def main():
    bpy.ops.preferences.addon_install(filepath=ADDON_ZIP, overwrite=True)
    palisor_total, palisor_library = time_palisor()
    deform_total, deform_bind = time_surface_deform()
    print("Source %d vertices, Destination %d vertices, %d keys"
          % (SOURCE_SIDE ** 2, DESTINATION_SIDE ** 2, len(KEYS)))
    print("Palisor add-on         %7.2f s (transfer library %.2f s, copying in and out %.2f s)"
          % (palisor_total, palisor_library, palisor_total - palisor_library))
    print("Surface Deform         %7.2f s (bind %.2f s, apply as shape key %.2f s)"
          % (deform_total, deform_bind, deform_total - deform_bind))
    print("Palisor is %.1f times faster" % (deform_total / palisor_total))


main()
