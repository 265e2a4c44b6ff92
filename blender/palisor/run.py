"""One transfer of shape keys inside Blender: the Source's motion carried to each Destination and
written as its shape keys, with what the user should be told about it.

Every Destination's keys are computed before any is written, so that a refusal changes nothing.
"""
import numpy as np

from . import drivers, meshes
from .source import Refusal, read_source
from .transfer import MARK_FILLED, MARK_MATCHED, MARK_PUSHED, MARK_RIGID, SURFACE_METHODS, transfer


def counted(count, noun):
    return "%d %s" % (count, noun if count == 1 else noun + "s")


class Settings:
    """What the dialog sets. `how`: transfer()'s method and its options."""

    def __init__(self, how, selected_only=False, region="", keep_backup=True, drive_keys=False,
                 as_shown=False):
        self.how = how
        self.selected_only = selected_only
        self.region = region
        self.keep_backup = keep_backup
        self.drive_keys = drive_keys
        self.as_shown = as_shown

    @property
    def surface(self):
        return self.how["method"] in SURFACE_METHODS


class Outcome:
    """What a run did: keys made, backups kept, vertex marks counted, and warnings."""

    def __init__(self, surface):
        self.keys_made = 0
        self.objects = 0
        self.backups = []
        self.warnings = []
        self.filled = self.rigid = self.pushed = 0
        self.surface = surface

    def count_marks(self, marks):
        self.filled += int(np.count_nonzero(marks & MARK_FILLED))
        self.rigid += int(np.count_nonzero(marks & MARK_RIGID))
        self.pushed += int(np.count_nonzero(marks & MARK_PUSHED))

    def summary(self):
        text = "Palisor made %s on %s" % (counted(self.keys_made, "shape key"),
                                          counted(self.objects, "object"))
        if self.backups:
            text += "; kept %s as %s" % (counted(len(self.backups), "existing key"),
                                         ", ".join(self.backups))
        if self.surface:
            text += ("; %d vertices filled from their neighbours, %d moved rigidly, %d pushed out"
                     % (self.filled, self.rigid, self.pushed))
        return text


class Destination:
    """One Destination mesh: its rest shape in its own space, the vertices that move, and the
    weights that scale their motion (None: all 1)."""

    def __init__(self, obj, mask, weights):
        self.obj = obj
        self.rest = meshes.rest_positions(obj.data)
        self.mask = mask
        self.weights = weights
        self.matrix = meshes.matrix_of(obj)
        self.moved = None


def _moving_vertices(obj, settings):
    """The vertices of `obj` that may move and their weights, or the reason none can."""
    mesh = obj.data
    mask = meshes.used_vertices(mesh)
    if not mask.any():
        return None, None, "it has no faces, and only the vertices of faces move"
    if settings.selected_only:
        mask &= meshes.selected_vertices(mesh)
        if not mask.any():
            return None, None, "none of its vertices is selected (Only Selected Vertices)"
    if not settings.region:
        return mask, None, None
    if settings.region not in obj.vertex_groups:
        raise Refusal("%r has no vertex group %r to move" % (obj.name, settings.region))
    weights = meshes.vertex_group_weights(obj, settings.region)
    mask &= weights > 0
    if not mask.any():
        return None, None, "none of its vertices has weight in %r" % settings.region
    return mask, weights, None


def _destinations(objects, settings, outcome):
    chosen = []
    for obj in objects:
        mask, weights, reason = _moving_vertices(obj, settings)
        if reason is None:
            chosen.append(Destination(obj, mask, weights))
        else:
            outcome.warnings.append("%r was left as it is: %s" % (obj.name, reason))
    if not chosen:
        raise Refusal("Nothing can move: " + "; ".join(outcome.warnings))
    return chosen


def _carry(motion, destination, settings, outcome):
    """Every chosen key's world-space displacement of the Destination's vertices."""
    world = meshes.points_to_world(destination.rest, destination.matrix)
    arguments = dict(settings.how, source_used=motion.used, destination_mask=destination.mask)
    if not settings.surface:
        return transfer(motion.positions, motion.displacements, world, **arguments)
    corners = meshes.triangles_to_world(meshes.triangles(destination.obj.data),
                                        destination.matrix)
    moved, marks = transfer(motion.positions, motion.displacements, world,
                            source_triangles=motion.triangles, destination_triangles=corners,
                            return_marks=True, **arguments)
    outcome.count_marks(marks)
    if not np.any(marks & MARK_MATCHED):
        outcome.warnings.append(
            "No vertex of %r is within Max Distance and Max Angle of the Source: it moves "
            "rigidly with the Source's surface nearest to it" % destination.obj.name)
    return moved


def saturated_sum(positions, displacements, out):
    """positions + displacements in 32-bit floats, into `out`; a sum beyond the float range
    becomes the largest float of its sign, as in the plug-in."""
    with np.errstate(over='ignore', invalid='ignore'):
        np.add(positions, displacements, out=out)
    overflowed = np.isinf(out)
    if overflowed.any():
        out[overflowed] = np.copysign(np.finfo(np.float32).max, out[overflowed])
    return out


def _backup_name(name, blocks):
    serial = 1
    while "#%s%d" % (name, serial) in blocks:
        serial += 1
    return "#%s%d" % (name, serial)


def _write_key(writer, name, positions, settings, outcome):
    """The Destination's key `name` at `positions`: a new one (an existing key of that name kept
    as a backup), or the existing one replaced in place, keeping its value."""
    obj = writer.obj
    keys = obj.data.shape_keys
    key = keys.key_blocks.get(name)
    if key is not None and settings.keep_backup:
        drivers.remove_own(keys, name)
        key.name = _backup_name(name, keys.key_blocks)
        outcome.backups.append("%s on %s" % (key.name, obj.name))
        key = None
    if key is None:
        writer.add(name, positions)
    else:
        key.data.foreach_set("co", positions.reshape(-1))
        key.relative_key = keys.reference_key
    outcome.keys_made += 1


def _write(destination, names, source_keys, settings, outcome):
    writer = meshes.KeyWriter(destination.obj, source_keys.reference_key.name)
    positions = np.empty_like(destination.rest)
    try:
        for name, displacement in zip(names, destination.moved):
            local = meshes.vectors_to_local(displacement, destination.matrix)
            if destination.weights is not None:
                local *= destination.weights[:, None]
            saturated_sum(destination.rest, local, positions)
            _write_key(writer, name, positions, settings, outcome)
    finally:
        writer.close()
    keys = destination.obj.data.shape_keys
    for name in names if settings.drive_keys else ():
        if not drivers.drive(keys, name, source_keys):
            outcome.warnings.append("The key %r of %r keeps the driver it had"
                                    % (name, destination.obj.name))
    outcome.objects += 1


def _check_destination_names(destinations, names):
    for obj in destinations:
        keys = obj.data.shape_keys
        if keys is not None and keys.reference_key.name in names:
            raise Refusal("The basis of %r is named %r like a shape key to carry over: rename one"
                          % (obj.name, keys.reference_key.name))


def transfer_shape_keys(context, source, objects, names, settings):
    """Carries the Source's keys `names` to the Destination objects (one per mesh) and returns the
    Outcome; raises Refusal, or PalisorError from the library, having changed nothing."""
    _check_destination_names(objects, names)
    outcome = Outcome(settings.surface)
    destinations = _destinations(objects, settings, outcome)
    window_manager = context.window_manager
    window_manager.progress_begin(0, 2 * len(destinations) + 1)
    try:
        motion = read_source(context, source, names, settings.surface, settings.as_shown)
        for step, destination in enumerate(destinations, start=1):
            destination.moved = _carry(motion, destination, settings, outcome)
            window_manager.progress_update(step)
        for step, destination in enumerate(destinations, start=len(destinations) + 1):
            _write(destination, names, source.data.shape_keys, settings, outcome)
            destination.moved = None
            window_manager.progress_update(step)
    finally:
        window_manager.progress_end()
    return outcome
