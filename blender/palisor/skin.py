"""Skin weights carried inside Blender: the active mesh's weights over the bones of its armature
given to the other selected meshes as vertex groups of the same names, each Destination deformed
by the same armature.

The Source's deforming groups are its vertex groups named after bones of its Armature modifier's
object. Positions are compared in world space, as the shape keys' transfer compares them. Every
Destination's weights are computed before any is written, so that a refusal changes nothing.
"""
import numpy as np

from . import meshes
from .run import counted
from .source import Refusal
from .weights import transfer_weights

# How many of its largest weights a Source vertex hands over: more than any vertex of a rig holds.
SOURCE_INFLUENCES = 8


def armature_of(obj):
    """The object of `obj`'s first Armature modifier that names one, or None."""
    for modifier in obj.modifiers:
        if modifier.type == 'ARMATURE' and modifier.object is not None:
            return modifier.object
    return None


def deforming_groups(source, armature):
    """The Source's vertex groups named after bones of the armature, in the groups' order."""
    bones = armature.data.bones
    return [group.name for group in source.vertex_groups
            if group.name in bones and bones[group.name].use_deform]


def _source_weights(source, groups):
    """The Source's weights as (S, k) joints and weights: each vertex's largest ones."""
    dense = np.stack([meshes.vertex_group_weights(source, name) for name in groups], axis=1)
    kept = min(SOURCE_INFLUENCES, len(groups))
    order = np.argsort(-dense, axis=1, kind="stable")[:, :kept]
    weights = np.take_along_axis(dense, order, axis=1)
    return order.astype(np.uint32), weights.astype(np.float32)


def _world_mesh(obj, surface):
    """The object's rest positions, and for the surface methods its triangles, in world space."""
    matrix = meshes.matrix_of(obj)
    positions = meshes.points_to_world(meshes.rest_positions(obj.data), matrix)
    faces = meshes.triangles_to_world(meshes.triangles(obj.data), matrix) if surface else None
    return positions, faces


class SkinSettings:
    """What the dialog sets: transfer_weights()'s method and options."""

    def __init__(self, method="robust", max_distance=None, max_angle=None, max_influences=4,
                 smoothing_passes=0):
        self.how = dict(method=method, max_distance=max_distance, max_angle=max_angle,
                        max_influences=max_influences, smoothing_passes=smoothing_passes)

    @property
    def surface(self):
        return self.how["method"] != "nearest"


def _write(destination, groups, joints, weights, armature):
    """Gives `destination` the groups (their old weights replaced) and an Armature modifier."""
    everyone = list(range(len(destination.data.vertices)))
    for j, name in enumerate(groups):
        group = destination.vertex_groups.get(name) or destination.vertex_groups.new(name=name)
        group.remove(everyone)
        rows, slots = np.nonzero((joints == j) & (weights > 0))
        for vertex, weight in zip(rows.tolist(), weights[rows, slots].tolist()):
            group.add([vertex], weight, 'REPLACE')
    if armature_of(destination) is None:
        modifier = destination.modifiers.new(name=armature.name, type='ARMATURE')
        modifier.object = armature
        modifier.use_vertex_groups = True


def transfer_skin_weights(source, destinations, settings):
    """Computes every Destination's weights, then writes them all; returns the summary."""
    armature = armature_of(source)
    if armature is None:
        raise Refusal("The Source %r has no Armature modifier with an armature" % source.name)
    groups = deforming_groups(source, armature)
    if not groups:
        raise Refusal("None of the Source's vertex groups is named after a bone of %r"
                      % armature.name)
    joints, weights = _source_weights(source, groups)
    positions, faces = _world_mesh(source, settings.surface)
    used = meshes.used_vertices(source.data)
    computed = []
    for destination in destinations:
        target, target_faces = _world_mesh(destination, settings.surface)
        computed.append(transfer_weights(
            positions, joints, weights, len(groups), target, source_triangles=faces,
            destination_triangles=target_faces, source_used=used, **settings.how))
    for destination, (new_joints, new_weights) in zip(destinations, computed):
        _write(destination, groups, new_joints, new_weights, armature)
    return "Palisor gave %s the weights of %s of %r (%s)" % (
        counted(len(destinations), "object"), counted(len(groups), "bone"), armature.name,
        settings.how["method"])
