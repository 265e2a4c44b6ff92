"""The Source in world space: its rest shape, the vertices that supply motion, its triangles (for
the surface methods) and each chosen shape key's motion, read either from the mesh's own data or
as Blender shows it, with its modifiers applied."""
import numpy as np

from . import meshes
from .meshes import new_positions, read_positions


class Refusal(Exception):
    """Wrong use: reported to the user, and nothing is changed."""


class SourceMotion:
    def __init__(self, positions, used, triangles, displacements):
        self.positions = positions
        self.used = used
        self.triangles = triangles
        self.displacements = displacements


class _KeyReader:
    """Reads the keys of one mesh; the basis is read once and kept."""

    def __init__(self, mesh):
        keys = mesh.shape_keys
        self.blocks = keys.key_blocks
        self.reference = keys.reference_key.name
        self.rest = read_positions(keys.reference_key.data, new_positions(mesh))

    def motions(self, obj, names):
        """Each key's motion in the object's own space as Blender applies it at value 1: the key
        minus the key it is relative to, scaled by the weights of its vertex group; read into one
        array made for them all."""
        moved = np.empty((len(names),) + self.rest.shape, np.float32)
        relative = None
        for motion, name in zip(moved, names):
            key = self.blocks[name]
            read_positions(key.data, motion)
            if key.relative_key.name == self.reference:
                motion -= self.rest
            else:
                relative = new_positions(obj.data) if relative is None else relative
                motion -= read_positions(key.relative_key.data, relative)
            if key.vertex_group:
                motion *= meshes.vertex_group_weights(obj, key.vertex_group)[:, None]
        return moved


def _evaluated(context, obj, used=False, surface=False):
    """The object's vertex positions as Blender shows it now, in its own space; with `used`, also
    its used vertices, and with `surface` its triangles."""
    evaluated = obj.evaluated_get(context.evaluated_depsgraph_get())
    mesh = evaluated.to_mesh()
    try:
        positions = read_positions(mesh.vertices, new_positions(mesh))
        return (positions, meshes.used_vertices(mesh) if used else None,
                meshes.triangles(mesh) if surface else None)
    finally:
        evaluated.to_mesh_clear()


def _shown(context, obj, rest, motions, surface):
    """The rest shape and each motion carried through the object's modifiers: a scratch key at
    rest + motion is shown alone (pinned) and evaluated, then removed."""
    keys = obj.data.shape_keys
    scratch = obj.shape_key_add(name="palisor shown", from_mix=False)
    scratch.relative_key = keys.reference_key
    try:
        with meshes.PinnedShapeKey(obj) as pin:
            pin.show(keys.reference_key.name)
            shown_rest, used, corners = _evaluated(context, obj, True, surface)
            pin.show(scratch.name)
            shown = []
            for motion in motions:
                scratch.data.foreach_set("co", (rest + motion).reshape(-1))
                keys.update_tag()
                positions = _evaluated(context, obj)[0]
                if len(positions) != len(shown_rest):
                    raise Refusal("The modifiers of %r change its vertex count from one shape key "
                                  "to another: turn off \"Use the Source as shown\"" % obj.name)
                shown.append(positions - shown_rest)
    finally:
        obj.shape_key_remove(scratch)
        keys.update_tag()
    return shown_rest, used, corners, np.stack(shown)


def read_source(context, obj, names, surface, as_shown):
    """The SourceMotion of the keys `names` of `obj`; triangles only for a `surface` method.
    `as_shown`: through the object's modifiers, as Blender shows it."""
    reader = _KeyReader(obj.data)
    motions = reader.motions(obj, names)
    if as_shown:
        rest, used, corners, motions = _shown(context, obj, reader.rest, motions, surface)
    else:
        rest, used = reader.rest, meshes.used_vertices(obj.data)
        corners = meshes.triangles(obj.data) if surface else None
    matrix = meshes.matrix_of(obj)
    return SourceMotion(
        meshes.points_to_world(rest, matrix), used,
        meshes.triangles_to_world(corners, matrix) if surface else None,
        meshes.vectors_to_world(motions, matrix))
