"""The operator "Transfer Skin Weights (Palisor)": the active mesh's weights over the bones of its
armature carried to the other selected meshes (skin.py does the work)."""
import math

from bpy.props import EnumProperty, FloatProperty, IntProperty
from bpy.types import Operator

from .skin import SkinSettings, armature_of, transfer_skin_weights
from .source import Refusal
from .transfer import PalisorError

METHOD_ITEMS = [
    ("robust", "Robust",
     "Closest points under the limits; refused vertices filled smoothly from the matched ones"),
    ("surface", "Surface", "The weights at each vertex's closest point on the Source's faces"),
    ("nearest", "Nearest vertices",
     "The inverse-square-distance weighted mean of the three nearest Source vertices' weights"),
]


def why_not_runnable(context):
    """Why the operator cannot run in this context, or None; cheap enough for poll()."""
    source = context.active_object
    if source is None or source.type != 'MESH':
        return "Make the mesh whose skin weights are to be carried over the active object"
    if context.mode != 'OBJECT':
        return "Switch to Object Mode first"
    if armature_of(source) is None:
        return "The Source %r has no Armature modifier with an armature" % source.name
    if not any(obj.type == 'MESH' and obj.data != source.data
               for obj in context.selected_objects if obj != source):
        return "Select the meshes that receive the weights as well as the Source"
    return None


class PALISOR_OT_transfer_skin_weights(Operator):
    """Carry the active mesh's skin weights to the other selected meshes, whatever their
    topology, as vertex groups deformed by the same armature"""
    bl_idname = "object.palisor_transfer_skin_weights"
    bl_label = "Transfer Skin Weights (Palisor)"
    bl_options = {'REGISTER', 'UNDO'}

    method: EnumProperty(name="Method", items=METHOD_ITEMS, default="robust")
    max_distance: FloatProperty(
        name="Max Distance", default=0.0, min=0.0, subtype='DISTANCE',
        description="Robust: a vertex farther than this from the Source (in world space) is "
                    "filled from its neighbours instead; 0: no limit")
    max_angle: FloatProperty(
        name="Max Angle", default=math.radians(45.0), min=0.0, max=math.pi, subtype='ANGLE',
        description="Robust: a vertex whose normal turns more than this from the Source's at its "
                    "closest point is filled from its neighbours instead; 180\u00b0: no limit")
    max_influences: IntProperty(
        name="Max Influences", default=4, min=1, max=8,
        description="The most bones that move one vertex: each keeps its largest weights")
    smoothing_passes: IntProperty(
        name="Smoothing", default=0, min=0, max=20,
        description="Robust: passes of smoothing over the filled vertices")

    @classmethod
    def poll(cls, context):
        reason = why_not_runnable(context)
        if reason is not None:
            cls.poll_message_set(reason)
        return reason is None

    def invoke(self, context, _event):
        return context.window_manager.invoke_props_dialog(self, width=360)

    def draw(self, context):
        layout = self.layout
        layout.label(text="Source: %s" % context.active_object.name)
        layout.prop(self, "method")
        if self.method == "robust":
            layout.prop(self, "max_distance")
            layout.prop(self, "max_angle")
            layout.prop(self, "smoothing_passes")
        layout.prop(self, "max_influences")

    def _settings(self):
        robust = self.method == "robust"
        return SkinSettings(
            self.method, max_distance=(self.max_distance or None) if robust else None,
            max_angle=math.degrees(self.max_angle) if robust else None,
            max_influences=self.max_influences,
            smoothing_passes=self.smoothing_passes if robust else 0)

    def execute(self, context):
        reason = why_not_runnable(context)
        if reason is not None:
            self.report({'ERROR'}, reason)
            return {'CANCELLED'}
        source = context.active_object
        destinations = sorted((obj for obj in context.selected_objects
                               if obj != source and obj.type == 'MESH'
                               and obj.data != source.data), key=lambda obj: obj.name)
        try:
            summary = transfer_skin_weights(source, destinations, self._settings())
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        except PalisorError as error:
            self.report({'ERROR'}, "Palisor: %s" % error)
            return {'CANCELLED'}
        self.report({'INFO'}, summary)
        return {'FINISHED'}
