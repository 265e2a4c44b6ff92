"""The Blender add-on beside Blender's own Surface Deform, side by side in one Blender session:
five shape keys of a body carried to a garment of about as many vertices, from pressing OK to the
keys existing, with the default method (Nearest vertices) and with Carry offset; and the Surface
Deform way on the same meshes (bind, then apply as shape key once per key).

    blender -b --factory-startup --python blender_bench.py -- ADDON.zip [REPEATS]

(scripts/benchmark.sh runs it with the add-on built by the native build.) Each time is the best of
REPEATS runs (2 by default), since a shared machine's times are noisy. The 2.1M-vertex body is run
with the add-on only.
"""
import sys
import time

import bpy
import numpy as np

arguments = sys.argv[sys.argv.index("--") + 1:]
ADDON_ZIP = arguments[0]
REPEATS = int(arguments[1]) if len(arguments) > 1 else 2
KEYS = ["bulge%02d" % k for k in range(1, 6)]
# Sides of the body's grid of vertices, and whether Surface Deform is timed beside the add-on.
SIZES = [(224, True), (448, True), (1450, False)]


def grid(name, side, lift):
    """A wavy square of side x side vertices in quads, `lift` above the body's."""
    u, v = np.meshgrid(np.linspace(-1, 1, side, dtype=np.float32),
                       np.linspace(-1, 1, side, dtype=np.float32))
    z = 0.2 * np.sin(3 * u) * np.cos(2 * v) + np.float32(lift)
    points = np.stack([u.ravel(), v.ravel(), z.ravel()], axis=1)
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


def scene(side):
    """A body with five bulging keys and a garment 0.01 above it, in a fresh file."""
    bpy.ops.wm.read_factory_settings(use_empty=True)  # which turns add-ons off
    bpy.ops.preferences.addon_enable(module="palisor")
    body, rest = grid("body", side, 0.0)
    body.shape_key_add(name="Basis", from_mix=False)
    for k, name in enumerate(KEYS):
        centre = np.array([np.cos(k), np.sin(k), 0], dtype=np.float32) * 0.5
        near = np.exp(-np.sum((rest - centre) ** 2, axis=1) / 0.05)
        moved = rest.copy()
        moved[:, 2] += np.float32(0.1) * near
        body.shape_key_add(name=name, from_mix=False).data.foreach_set("co", moved.ravel())
    garment, _ = grid("garment", side - 1, 0.01)
    bpy.context.view_layer.update()  # the new meshes evaluated before the clock starts
    return body, garment


def select(active, other):
    for obj in bpy.context.view_layer.objects:
        obj.select_set(False)
    active.select_set(True)
    other.select_set(True)
    bpy.context.view_layer.objects.active = active


def time_palisor(side, method):
    """(seconds in all, seconds in the transfer library)."""
    from palisor import run
    body, garment = scene(side)
    select(body, garment)
    spent = []
    plain = run.transfer

    def timed(*args, **kwargs):
        start = time.perf_counter()
        result = plain(*args, **kwargs)
        spent.append(time.perf_counter() - start)
        return result

    run.transfer = timed
    try:
        start = time.perf_counter()
        bpy.ops.object.palisor_transfer_shape_keys('EXEC_DEFAULT', method=method)
        total = time.perf_counter() - start
    finally:
        run.transfer = plain
    return total, sum(spent)


def time_surface_deform(side):
    """(seconds in all, seconds binding)."""
    body, garment = scene(side)
    select(garment, body)
    modifier = garment.modifiers.new("deform", 'SURFACE_DEFORM')
    modifier.target = body
    start = time.perf_counter()
    bpy.ops.object.surfacedeform_bind(modifier=modifier.name)
    bound = time.perf_counter() - start
    for name in KEYS:
        for key in body.data.shape_keys.key_blocks[1:]:
            key.value = 1.0 if key.name == name else 0.0
        bpy.ops.object.modifier_apply_as_shapekey(keep_modifier=True, modifier=modifier.name)
    return time.perf_counter() - start, bound


def best(measure, *args):
    return min((measure(*args) for _ in range(REPEATS)), key=lambda times: times[0])


def main():
    bpy.ops.preferences.addon_install(filepath=ADDON_ZIP, overwrite=True)
    print("Palisor beside Surface Deform: %d keys, best of %d, seconds" % (len(KEYS), REPEATS))
    print("%-9s %-9s %-22s %-22s %-18s %s" % ("body", "garment", "Nearest (library)",
                                             "Carry (library)", "Surface Deform", "ratios"))
    for side, with_surface_deform in SIZES:
        nearest = best(time_palisor, side, "nearest")
        carry = best(time_palisor, side, "carry")
        line = "%-9d %-9d %6.2f (%5.2f)         %6.2f (%5.2f)        " % (
            side * side, (side - 1) ** 2, nearest[0], nearest[1], carry[0], carry[1])
        if with_surface_deform:
            deform = best(time_surface_deform, side)
            line += " %6.2f (bind %5.2f)  Nearest %.1fx, Carry %.1fx" % (
                deform[0], deform[1], deform[0] / nearest[0], deform[0] / carry[0])
        print(line, flush=True)


main()
