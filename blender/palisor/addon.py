"""The Blender side: the operator "Transfer Shape Keys (Palisor)" and its place in the Object menu.

The active mesh is the Source, every other selected mesh a Destination; selected objects of other
types are passed over. Positions are compared in world space, and the displacements are carried
back into each Destination's own space (run.py does the work).
"""
import math

import bpy
from bpy.props import BoolProperty, CollectionProperty, EnumProperty, FloatProperty, StringProperty
from bpy.types import Operator, PropertyGroup

from . import meshes
from .run import Refusal, Settings, counted, transfer_shape_keys
from .skin_operator import PALISOR_OT_transfer_skin_weights
from .transfer import SURFACE_METHODS, PalisorError


def source_keys(source):
    """The Source's shape keys that can be carried over: every one but the basis."""
    keys = source.data.shape_keys
    if keys is None:
        return []
    return [key for key in keys.key_blocks if key != keys.reference_key]


def why_not_runnable(context):
    """Why the operator cannot run in this context, or None; cheap enough for poll()."""
    source = context.active_object
    if source is None or source.type != 'MESH':
        return "Make the mesh whose shape keys are to be carried over the active object"
    if context.mode != 'OBJECT':
        return "Switch to Object Mode first"
    if not source_keys(source):
        return "The Source %r has no shape keys besides its basis" % source.name
    others = [obj for obj in context.selected_objects if obj != source]
    if not others:
        return "Select the meshes that receive the shape keys as well as the Source"
    if not any(obj.type == 'MESH' for obj in others):
        return "None of the other selected objects is a mesh: only meshes receive shape keys"
    return None


def chosen_objects(context):
    """The Source, the Destinations (one object per mesh) and notes on the selected objects passed
    over; or a Refusal saying what is wrong."""
    reason = why_not_runnable(context)
    if reason is not None:
        raise Refusal(reason)
    source = context.active_object
    others = sorted((obj for obj in context.selected_objects if obj != source),
                    key=lambda obj: obj.name)
    for obj in [source] + [obj for obj in others if obj.type == 'MESH']:
        if obj.mode == 'EDIT':
            raise Refusal("%r is in Edit Mode: switch to Object Mode first" % obj.name)
    notes = []
    other_types = [obj.name for obj in others if obj.type != 'MESH']
    if other_types:
        notes.append("Passed over %s that %s not a mesh: %s" % (
            counted(len(other_types), "selected object"),
            "is" if len(other_types) == 1 else "are", ", ".join(other_types)))
    destinations, by_mesh = [], {source.data: source}
    for obj in (obj for obj in others if obj.type == 'MESH'):
        first = by_mesh.setdefault(obj.data, obj)
        if first is obj:
            destinations.append(obj)
        elif first is source:
            notes.append("%r shares the Source's mesh, and with it its shape keys: passed over"
                         % obj.name)
        else:
            notes.append("%r shares its mesh with %r: the mesh's keys were made once, where %r is"
                         % (obj.name, first.name, first.name))
    if not destinations:
        raise Refusal("; ".join(notes))
    return source, destinations, notes


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
    region: StringProperty(
        name="Vertex Group", default="",
        description="Move only the Destinations' vertices in this vertex group, each as far as "
                    "its weight says (0 to 1); empty: every vertex")
    region_names: CollectionProperty(type=PropertyGroup)
    keep_backup: BoolProperty(
        name="Keep Existing Keys as Backups", default=True,
        description="Rename a Destination's key of the same name to \"#NAME1\" (or the next free "
                    "number) instead of replacing it in place")
    as_shown: BoolProperty(
        name="Use the Source as shown (modifiers applied)", default=False,
        description="Read the Source with its modifiers applied, each shape key at value 1 "
                    "alone, as Blender shows it; off: the Source mesh's own data")
    drive_keys: BoolProperty(
        name="Drive the new keys from the Source's", default=False,
        description="Give each new key a driver that sets its value to the Source's key of the "
                    "same name, so that the Source's sliders move the Destinations too")
    method: EnumProperty(name="Method", items=METHOD_ITEMS, default="nearest")
    max_distance: FloatProperty(
        name="Max Distance", default=0.0, min=0.0, subtype='DISTANCE',
        description="Surface methods: a vertex farther than this from the Source (in world space) "
                    "is filled from its neighbours instead; 0: no limit")
    max_angle: FloatProperty(
        name="Max Angle", default=math.pi, min=0.0, max=math.pi, subtype='ANGLE',
        description="Surface methods: a vertex whose normal turns more than this from the "
                    "Source's at its closest point is filled from its neighbours instead; "
                    "180\u00b0: no limit")
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
        reason = why_not_runnable(context)
        if reason is not None:
            cls.poll_message_set(reason)
        return reason is None

    def invoke(self, context, _event):
        try:
            source, destinations, _ = chosen_objects(context)
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        self.keys.clear()
        for key in source_keys(source):
            self.keys.add().name = key.name
        self.region_names.clear()
        for name in sorted({group.name for obj in destinations for group in obj.vertex_groups}):
            self.region_names.add().name = name
        return context.window_manager.invoke_props_dialog(self, width=400)

    def draw(self, context):
        layout = self.layout
        layout.label(text="Source: %s" % context.active_object.name)
        row = layout.row(align=True)
        row.prop(self, "select_all", toggle=True)
        row.prop(self, "select_none", toggle=True)
        column = layout.column(align=True)
        for item in self.keys:
            column.prop(item, "ticked", text=item.name)
        layout.separator()
        layout.prop(self, "selected_only")
        layout.prop_search(self, "region", self, "region_names", icon='GROUP_VERTEX')
        layout.prop(self, "keep_backup")
        layout.prop(self, "as_shown")
        layout.prop(self, "drive_keys")
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

    def _settings(self):
        """The run's settings as the dialog sets them."""
        how = dict(method=self.method)
        if self.method in SURFACE_METHODS:
            how.update(max_distance=self.max_distance or None,
                       max_angle=math.degrees(self.max_angle),
                       keep_outside=self.keep_outside_distance if self.keep_outside else None)
        return Settings(how, selected_only=self.selected_only, region=self.region,
                        keep_backup=self.keep_backup, drive_keys=self.drive_keys,
                        as_shown=self.as_shown)

    def execute(self, context):
        try:
            source, destinations, notes = chosen_objects(context)
            names = self._chosen_names(source)
            outcome = transfer_shape_keys(context, source, destinations, names, self._settings())
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        except PalisorError as error:
            self.report({'ERROR'}, "Palisor: %s" % error)
            return {'CANCELLED'}
        for warning in notes + modifier_warnings(source, destinations, self.as_shown) \
                + outcome.warnings:
            self.report({'WARNING'}, warning)
        self.report({'INFO'}, outcome.summary())
        return {'FINISHED'}


def modifier_warnings(source, destinations, as_shown):
    """Warnings for the objects whose modifiers move their vertices while the run reads their own
    data: the Source unless it is read as shown, and every Destination."""
    warnings = []
    objects = destinations if as_shown else [source] + destinations
    for obj in objects:
        names = meshes.vertex_changing_modifiers(obj)
        if names:
            warnings.append("%r has modifiers that move its vertices (%s): its own mesh was read, "
                            "without them%s" % (obj.name, ", ".join(names),
                                                "" if obj in destinations else
                                                " (see \"Use the Source as shown\")"))
    return warnings


def _menu_entry(self, _context):
    self.layout.separator()
    self.layout.operator(PALISOR_OT_transfer_shape_keys.bl_idname)
    self.layout.operator(PALISOR_OT_transfer_skin_weights.bl_idname)


CLASSES = (PALISOR_PG_key, PALISOR_OT_transfer_shape_keys, PALISOR_OT_transfer_skin_weights)


def register():
    for cls in CLASSES:
        bpy.utils.register_class(cls)
    bpy.types.VIEW3D_MT_object.append(_menu_entry)


def unregister():
    bpy.types.VIEW3D_MT_object.remove(_menu_entry)
    for cls in reversed(CLASSES):
        bpy.utils.unregister_class(cls)
