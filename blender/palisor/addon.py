"""The Blender side: the operator "Transfer Shape Keys (Palisor)" and its place in the Object menu.

The active mesh is the Source, every other selected mesh a Destination. Positions are read from
the meshes' own data (the basis and the shape keys, not the result of modifiers) and compared in
world space; the displacements are carried back into each Destination's own space.
"""
import bpy
import numpy as np
from bpy.props import BoolProperty, CollectionProperty, EnumProperty, FloatProperty
from bpy.types import Operator, PropertyGroup

from .transfer import MARK_FILLED, MARK_PUSHED, MARK_RIGID, SURFACE_METHODS, PalisorError, transfer


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


def _triangles(mesh):
    """The mesh's polygons as triangles of vertex indices (indices: no transform applies)."""
    mesh.calc_loop_triangles()
    corners = np.empty(len(mesh.loop_triangles) * 3, dtype=np.int32)
    mesh.loop_triangles.foreach_get("vertices", corners)
    return corners.reshape(-1, 3)


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
        self.triangles = _triangles(mesh)
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


class MarkCounts:
    """How many Destination vertices a surface method filled, moved rigidly and pushed out."""

    def __init__(self):
        self.filled = self.rigid = self.pushed = 0

    def add(self, marks):
        self.filled += int(np.count_nonzero(marks & MARK_FILLED))
        self.rigid += int(np.count_nonzero(marks & MARK_RIGID))
        self.pushed += int(np.count_nonzero(marks & MARK_PUSHED))

    def __str__(self):
        return ("%d vertices filled from their neighbours, %d moved rigidly, %d pushed out"
                % (self.filled, self.rigid, self.pushed))


def _moved(motion, obj, mask, how):
    """Every chosen key's world-space displacements of `obj`'s vertices, and their marks.
    `how`: transfer()'s method and its options."""
    rest = _points_to_world(_rest_positions(obj), _matrix(obj))
    arguments = dict(how, source_used=motion.used, destination_mask=mask)
    if how["method"] not in SURFACE_METHODS:
        return transfer(motion.positions, motion.displacements, rest, **arguments), None
    return transfer(motion.positions, motion.displacements, rest, source_triangles=motion.triangles,
                    destination_triangles=_triangles(obj.data), return_marks=True, **arguments)


def transfer_shape_keys(context, source, destinations, names, selected_only, keep_backup, how):
    """Computes every Destination's new keys first, then writes them, so that a failure changes
    nothing. `how`: transfer()'s method and its options. Returns the number of keys made, and the
    MarkCounts of a surface method (None for the others)."""
    _check_destination_names(destinations, names)
    window_manager = context.window_manager
    window_manager.progress_begin(0, 2 * len(destinations) + 1)
    try:
        motion = SourceMotion(source, names)
        results = []
        counts = MarkCounts() if how["method"] in SURFACE_METHODS else None
        for step, obj in enumerate(destinations, start=1):
            mask = _used_vertices(obj.data)
            if selected_only:
                mask &= _selected_vertices(obj.data)
            moved, marks = _moved(motion, obj, mask, how)
            if counts is not None:
                counts.add(marks)
            results.append((obj, _rest_positions(obj), moved))
            window_manager.progress_update(step)
        for step, (obj, rest, moved) in enumerate(results, start=len(destinations) + 1):
            for name, displacements in zip(names, moved):
                local = _vectors_to_local(displacements, _matrix(obj))
                write_key(obj, name, _saturated_sum(rest, local), keep_backup)
            obj.data.update()
            window_manager.progress_update(step)
    finally:
        window_manager.progress_end()
    return len(results) * len(names), counts


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
    ("surface", "Surface",
     "Each vertex follows its closest point on the Source's faces, blended from that face's "
     "corners: smooth whatever the meshes' densities"),
    ("carry", "Carry offset",
     "As Surface, and each vertex's offset from the Source turns and stretches with the surface "
     "there: clothes keep their distance from the body (recommended)"),
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
    max_distance: FloatProperty(
        name="Max Distance", default=0.0, min=0.0, subtype='DISTANCE',
        description="Surface methods: a vertex farther than this from the Source (in world space) "
                    "is filled from its neighbours instead; 0: no limit")
    max_angle: FloatProperty(
        name="Max Angle", default=180.0, min=0.0, max=180.0,
        description="Surface methods: a vertex whose normal turns more than this many degrees "
                    "from the Source's at its closest point is filled from its neighbours "
                    "instead; 180: no limit")
    keep_outside: BoolProperty(
        name="Keep Outside", default=False,
        description="Surface methods: what lies outside the Source stays outside it in every key, "
                    "at least the distance given")
    keep_outside_distance: FloatProperty(
        name="Distance", default=0.001, min=0.0, subtype='DISTANCE',
        description="How far outside the morphed Source (in world space) the vertices that lay "
                    "outside it stay")

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
        if self.method in SURFACE_METHODS:
            layout.prop(self, "max_distance")
            layout.prop(self, "max_angle")
            row = layout.row()
            row.prop(self, "keep_outside")
            distance = row.row()
            distance.active = self.keep_outside
            distance.prop(self, "keep_outside_distance")

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

    def _how(self):
        """transfer()'s method and options, as the dialog sets them."""
        how = dict(method=self.method)
        if self.method in SURFACE_METHODS:
            how.update(max_distance=self.max_distance or None, max_angle=self.max_angle,
                       keep_outside=self.keep_outside_distance if self.keep_outside else None)
        return how

    def execute(self, context):
        try:
            source, destinations = chosen_objects(context)
            names = self._chosen_names(source)
            made, counts = transfer_shape_keys(context, source, destinations, names,
                                               self.selected_only, self.keep_backup, self._how())
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        except PalisorError as error:
            self.report({'ERROR'}, "Palisor: %s" % error)
            return {'CANCELLED'}
        summary = "Palisor made %d shape keys on %d objects" % (made, len(destinations))
        if counts is not None:
            summary += "; %s" % counts
        self.report({'INFO'}, summary)
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
