"""Blender's mesh data as numpy arrays, in and out.

Every bulk read and write goes through foreach_get and foreach_set with arrays of the property's
own type (32-bit floats for positions, unsigned 32-bit integers for vertex indices), which Blender
copies without a step per item. Nothing here loops over vertices in Python.
"""
import numpy as np

F = np.float32

# Modifiers that leave a mesh's vertices where they are: the others move, add or remove vertices.
KEEPS_VERTICES = frozenset((
    'COLLISION', 'DATA_TRANSFER', 'NORMAL_EDIT', 'PARTICLE_SYSTEM', 'SURFACE', 'TRIANGULATE',
    'UV_PROJECT', 'UV_WARP', 'VERTEX_WEIGHT_EDIT', 'VERTEX_WEIGHT_MIX', 'VERTEX_WEIGHT_PROXIMITY',
    'WEIGHTED_NORMAL'))


def read_positions(collection, out):
    """The "co" of every item of `collection` (vertices or a shape key's points) into `out`, an
    (n, 3) float32 array."""
    collection.foreach_get("co", out.reshape(-1))
    return out


def new_positions(mesh):
    return np.empty((len(mesh.vertices), 3), F)


def rest_positions(mesh):
    """The mesh's basis as Blender shows it: its reference key where it has shape keys."""
    keys = mesh.shape_keys
    points = keys.reference_key.data if keys is not None else mesh.vertices
    return read_positions(points, new_positions(mesh))


def used_vertices(mesh):
    """1 for the vertices that some face uses: loose vertices and edges carry no surface."""
    corners = np.empty(len(mesh.loops), np.uint32)
    mesh.loops.foreach_get("vertex_index", corners)
    used = np.zeros(len(mesh.vertices), np.uint8)
    used[corners] = 1
    return used


def triangles(mesh):
    """The mesh's polygons as Blender triangulates them: (n, 3) vertex indices."""
    mesh.calc_loop_triangles()
    corners = np.empty(len(mesh.loop_triangles) * 3, np.uint32)
    mesh.loop_triangles.foreach_get("vertices", corners)
    return corners.reshape(-1, 3)


def selected_vertices(mesh):
    selected = np.empty(len(mesh.vertices), bool)
    mesh.vertices.foreach_get("select", selected)
    return selected


def vertex_changing_modifiers(obj):
    """The names of the modifiers shown in the viewport that move, add or remove vertices."""
    return [modifier.name for modifier in obj.modifiers
            if modifier.show_viewport and modifier.type not in KEEPS_VERTICES]


class PinnedShapeKey:
    """Shows one shape key of `obj` alone (Blender's pin), and puts the object's pin and active
    key back as they were on leaving."""

    def __init__(self, obj):
        self.obj = obj

    def show(self, key_name):
        keys = self.obj.data.shape_keys
        self.obj.active_shape_key_index = keys.key_blocks.find(key_name)

    def __enter__(self):
        self.pinned = self.obj.show_only_shape_key
        self.active = self.obj.active_shape_key_index
        self.obj.show_only_shape_key = True
        return self

    def __exit__(self, *_):
        self.obj.show_only_shape_key = self.pinned
        self.obj.active_shape_key_index = self.active


def vertex_group_weights(obj, group_name):
    """Each vertex's weight in `obj`'s vertex group `group_name`, 0 outside it, as Blender applies
    it to a shape key (all 1 where the object has no such group).

    Blender reads vertex weights only one vertex at a time, so Blender itself applies them: a
    scratch key one unit along x from the basis, limited by the group and shown alone, is mixed
    into a second scratch key, whose x offsets are the weights (to about 1e-7; rounded to 2^-20 so
    that 0 and 1 stay exact). Both keys go again, and the object is left as it was."""
    had_keys = obj.data.shape_keys is not None
    if not had_keys:
        obj.shape_key_add(name="Basis", from_mix=False)
    keys = obj.data.shape_keys
    rest = read_positions(keys.reference_key.data, new_positions(obj.data))
    probe = obj.shape_key_add(name="palisor weights", from_mix=False)
    try:
        shifted = rest.copy()
        shifted[:, 0] += F(1)
        probe.data.foreach_set("co", shifted.reshape(-1))
        probe.relative_key = keys.reference_key
        probe.vertex_group = group_name
        with PinnedShapeKey(obj) as pin:
            pin.show(probe.name)
            mixed = obj.shape_key_add(name="palisor mixed", from_mix=True)
            read_positions(mixed.data, shifted)
            obj.shape_key_remove(mixed)
    finally:
        obj.shape_key_remove(probe)
        if not had_keys:
            obj.shape_key_clear()
    weights = np.clip(shifted[:, 0].astype(np.float64) - rest[:, 0], 0.0, 1.0)
    return (np.round(weights * 2.0 ** 20) / 2.0 ** 20).astype(F)


def is_identity(matrix):
    return np.array_equal(matrix, np.identity(4))


def matrix_of(obj):
    return np.array(obj.matrix_world, dtype=np.float64)


def points_to_world(points, matrix):
    if is_identity(matrix):
        return points
    return (points.astype(np.float64) @ matrix[:3, :3].T + matrix[:3, 3]).astype(F)


def vectors_to_world(vectors, matrix):
    if is_identity(matrix):
        return vectors
    return (vectors.astype(np.float64) @ matrix[:3, :3].T).astype(F)


def vectors_to_local(vectors, matrix):
    if is_identity(matrix):
        return vectors
    inverse = np.linalg.inv(matrix[:3, :3])
    return (vectors.astype(np.float64) @ inverse.T).astype(F)


def triangles_to_world(corners, matrix):
    """Triangles as seen in world space: a mirrored object (a transform of negative determinant)
    turns its faces inside out, so their winding is reversed for their normals to point out as
    Blender shows them."""
    if np.linalg.det(matrix[:3, :3]) < 0:
        return np.ascontiguousarray(corners[:, ::-1])
    return corners


class KeyWriter:
    """Writes new shape keys on one object. Blender makes a new key fastest from the mesh's own
    vertex positions, so these are set to each new key's positions in turn, and put back as they
    were by close()."""

    def __init__(self, obj, basis_name):
        self.obj = obj
        self.mesh = obj.data
        self.original = read_positions(self.mesh.vertices, new_positions(self.mesh))
        self.changed = False
        if self.mesh.shape_keys is None:
            obj.shape_key_add(name=basis_name, from_mix=False)

    def add(self, name, positions):
        """A new key `name` at `positions`, at value 0, relative to the basis."""
        self.mesh.vertices.foreach_set("co", positions.reshape(-1))
        self.changed = True
        key = self.obj.shape_key_add(name=name, from_mix=False)
        key.value = 0.0
        key.relative_key = self.mesh.shape_keys.reference_key
        return key

    def close(self):
        if self.changed:
            self.mesh.vertices.foreach_set("co", self.original.reshape(-1))
        self.mesh.update_tag()
