"""The Blender side: the operator "Transfer Shape Keys (Palisor)" and its place in the Object menu.

The active mesh is the Source, every other selected mesh a Destination. Positions are read from
the meshes' own data (the basis and the shape keys, not the result of modifiers) and compared in
world space; the displacements are carried back into each Destination's own space.
"""
import bpy
import numpy as np
from bpy.props import BoolProperty, CollectionProperty, EnumProperty
from bpy.types import Operator, PropertyGroup

from .transfer import PalisorError, transfer


class Refusal(Exception):
    """Wrong use: reported to the user, and nothing is changed."""


def _vectors(collection, count):
    values = np.empty(count * 3, dtype=np.float32)
    collection.foreach_get("co", values)
    return values.reshape(count, 3)


def _matrix(obj):
    return np.array(obj.matrix_world, dtype=np.float64)


def _is_identity(matrix):
    return np.array_equal(matrix, np.identity(4))


def _points_to_world(points, matrix):
    if _is_identity(matrix):
        return points
    return (points.astype(np.float64) @ matrix[:3, :3].T + matrix[:3, 3]).astype(np.float32)


def _vectors_to_world(vectors, matrix):
    if _is_identity(matrix):
        return vectors
    return (vectors.astype(np.float64) @ matrix[:3, :3].T).astype(np.float32)


def _vectors_to_local(vectors, matrix):
    if _is_identity(matrix):
        return vectors
    inverse = np.linalg.inv(matrix[:3, :3])
    return (vectors.astype(np.float64) @ inverse.T).astype(np.float32)


def _used_vertices(mesh):
    """The vertices that some face uses: loose vertices and edges carry no surface."""
    corners = np.empty(len(mesh.loops), dtype=np.int32)
    mesh.loops.foreach_get("vertex_index", corners)
    used = np.zeros(len(mesh.vertices), dtype=np.uint8)
    used[corners] = 1
    return used


def _selected_vertices(mesh):
    selected = np.empty(len(mesh.vertices), dtype=bool)
    mesh.vertices.foreach_get("select", selected)
    return selected.astype(np.uint8)


def _rest_positions(obj):
    """The mesh's basis: its reference shape key where it has shape keys."""
    mesh = obj.data
    keys = mesh.shape_keys
    source = keys.reference_key.data if keys is not None else mesh.vertices
    return _vectors(source, len(mesh.vertices))


def source_keys(source):
    """The Source's shape keys that can be carried over: every one but the basis."""
    keys = source.data.shape_keys
    if keys is None:
        return []
    return [key for key in keys.key_blocks if key != keys.reference_key]


def chosen_objects(context):
    """The Source and the Destinations, or a Refusal saying what is wrong."""
    source = context.active_object
    if source is None or source.type != 'MESH':
        raise Refusal("Make the mesh whose shape keys are to be carried over the active object")
    if not source_keys(source):
        raise Refusal("The Source %r has no shape keys besides its basis" % source.name)
    others = [obj for obj in context.selected_objects if obj != source]
    if not others:
        raise Refusal("Select the meshes that receive the shape keys as well as the Source")
    for obj in others:
        if obj.type != 'MESH':
            raise Refusal("%r is not a mesh: only meshes can receive shape keys" % obj.name)
    for obj in [source] + others:
        if obj.mode == 'EDIT':
            raise Refusal("%r is in Edit Mode: switch to Object Mode first" % obj.name)
    return source, others


def _check_destination_names(destinations, names):
    for obj in destinations:
        keys = obj.data.shape_keys
        if keys is not None and keys.reference_key.name in names:
            raise Refusal("The basis of %r is named %r like a shape key to carry over: rename one"
                          % (obj.name, keys.reference_key.name))


class SourceMotion:
    """The Source in world space: rest positions, the vertices that supply motion, and each chosen
    key's displacements (the key minus the key it is relative to, as Blender applies it)."""

    def __init__(self, source, names):
        matrix = _matrix(source)
        mesh = source.data
        count = len(mesh.vertices)
        blocks = mesh.shape_keys.key_blocks
        self.positions = _points_to_world(_rest_positions(source), matrix)
        self.used = _used_vertices(mesh)
        self.displacements = []
        for name in names:
            key = blocks[name]
            moved = _vectors(key.data, count) - _vectors(key.relative_key.data, count)
            self.displacements.append(_vectors_to_world(moved, matrix))


def _saturated_sum(positions, displacements):
    """positions + displacements in 32-bit floats; a sum beyond the float range becomes the
    largest float of its sign, as in the plug-in."""
    with np.errstate(over='ignore', invalid='ignore'):
        total = positions + displacements
    overflowed = np.isinf(total)
    total[overflowed] = np.copysign(np.finfo(np.float32).max, total[overflowed])
    return total


def _backup_name(name, blocks):
    serial = 1
    while "#%s%d" % (name, serial) in blocks:
        serial += 1
    return "#%s%d" % (name, serial)


def write_key(obj, name, positions, keep_backup):
    """Gives `obj` the shape key `name` at `positions`, relative to its basis. An existing key of
    that name is kept as "#NAME1" (or the next free number), or replaced in place, keeping its
    value."""
    if obj.data.shape_keys is None:
        obj.shape_key_add(name="Basis", from_mix=False)
    keys = obj.data.shape_keys
    key = keys.key_blocks.get(name)
    if key is not None and keep_backup:
        key.name = _backup_name(name, keys.key_blocks)
        key = None
    if key is None:
        key = obj.shape_key_add(name=name, from_mix=False)
        key.value = 0.0
    key.relative_key = keys.reference_key
    key.data.foreach_set("co", positions.ravel())


def transfer_shape_keys(context, source, destinations, names, selected_only, keep_backup, method):
    """Computes every Destination's new keys first, then writes them, so that a failure changes
    nothing. Returns the number of keys made."""
    _check_destination_names(destinations, names)
    window_manager = context.window_manager
    window_manager.progress_begin(0, 2 * len(destinations) + 1)
    try:
        motion = SourceMotion(source, names)
        results = []
        for step, obj in enumerate(destinations, start=1):
            rest = _rest_positions(obj)
            mask = _used_vertices(obj.data)
            if selected_only:
                mask &= _selected_vertices(obj.data)
            moved = transfer(motion.positions, motion.displacements,
                             _points_to_world(rest, _matrix(obj)), source_used=motion.used,
                             destination_mask=mask, method=method)
            results.append((obj, rest, moved))
            window_manager.progress_update(step)
        for step, (obj, rest, moved) in enumerate(results, start=len(destinations) + 1):
            for name, displacements in zip(names, moved):
                local = _vectors_to_local(displacements, _matrix(obj))
                write_key(obj, name, _saturated_sum(rest, local), keep_backup)
            obj.data.update()
            window_manager.progress_update(step)
    finally:
        window_manager.progress_end()
    return len(results) * len(names)


def _tick_all(operator, value):
    for item in operator.keys:
        item.ticked = value


def _select_all_changed(self, _context):
    if self.select_all:
        _tick_all(self, True)
        self.select_all = False


def _select_none_changed(self, _context):
    if self.select_none:
        _tick_all(self, False)
        self.select_none = False


class PALISOR_PG_key(PropertyGroup):
    """One Source shape key in the dialog's list."""
    ticked: BoolProperty(name="Carry over", default=True)


METHOD_ITEMS = [
    ("nearest", "Nearest vertices",
     "Palisor's rule: each vertex follows its three nearest Source vertices, the nearer ones "
     "counting more (inverse squared distance)"),
]


class PALISOR_OT_transfer_shape_keys(Operator):
    """Carry the active mesh's shape keys to the other selected meshes, whatever their topology"""
    bl_idname = "object.palisor_transfer_shape_keys"
    bl_label = "Transfer Shape Keys (Palisor)"
    bl_options = {'REGISTER', 'UNDO'}

    keys: CollectionProperty(type=PALISOR_PG_key)
    select_all: BoolProperty(name="Select All", update=_select_all_changed)
    select_none: BoolProperty(name="Select None", update=_select_none_changed)
    selected_only: BoolProperty(
        name="Only Selected Vertices", default=False,
        description="Move only the Destinations' selected vertices")
    keep_backup: BoolProperty(
        name="Keep Existing Keys as Backups", default=True,
        description="Rename a Destination's key of the same name to \"#NAME1\" (or the next free "
                    "number) instead of replacing it in place")
    method: EnumProperty(name="Method", items=METHOD_ITEMS, default="nearest")

    @classmethod
    def poll(cls, context):
        return context.view_layer is not None

    def invoke(self, context, _event):
        try:
            source, _ = chosen_objects(context)
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        self.keys.clear()
        for key in source_keys(source):
            self.keys.add().name = key.name
        return context.window_manager.invoke_props_dialog(self, width=360)

    def draw(self, context):
        layout = self.layout
        layout.label(text="Source: %s" % context.active_object.name)
        row = layout.row(align=True)
        row.prop(self, "select_all", toggle=True)
        row.prop(self, "select_none", toggle=True)
        column = layout.column(align=True)
        for item in self.keys:
            column.prop(item, "ticked", text=item.name)
        layout.prop(self, "selected_only")
        layout.prop(self, "keep_backup")
        layout.prop(self, "method")

    def _chosen_names(self, source):
        available = [key.name for key in source_keys(source)]
        if len(self.keys) == 0:
            return available
        names = [item.name for item in self.keys if item.ticked]
        if not names:
            raise Refusal("No shape key is ticked")
        missing = [name for name in names if name not in available]
        if missing:
            raise Refusal("The Source has no shape key %r" % missing[0])
        return names

    def execute(self, context):
        try:
            source, destinations = chosen_objects(context)
            names = self._chosen_names(source)
            made = transfer_shape_keys(context, source, destinations, names, self.selected_only,
                                       self.keep_backup, self.method)
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        except PalisorError as error:
            self.report({'ERROR'}, "Palisor: %s" % error)
            return {'CANCELLED'}
        self.report({'INFO'}, "Palisor made %d shape keys on %d objects"
                    % (made, len(destinations)))
        return {'FINISHED'}


def _menu_entry(self, _context):
    self.layout.operator(PALISOR_OT_transfer_shape_keys.bl_idname)


CLASSES = (PALISOR_PG_key, PALISOR_OT_transfer_shape_keys)


def register():
    for cls in CLASSES:
        bpy.utils.register_class(cls)
    bpy.types.VIEW3D_MT_object.append(_menu_entry)


def unregister():
    bpy.types.VIEW3D_MT_object.remove(_menu_entry)
    for cls in reversed(CLASSES):
        bpy.utils.unregister_class(cls)
