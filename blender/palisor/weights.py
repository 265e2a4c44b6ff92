"""Skin weights carried from the Source to the Destination over numpy arrays, computed by the
palisor_transfer library (palisor_transfer_weights) through ctypes."""
import ctypes

import numpy as np

from .transfer import (PalisorError, _byte_pointer, _float_pointer, _index_pointer, _load, _mask,
                       _points, _row_count, _triangles)

__all__ = ["transfer_weights", "WEIGHT_METHODS"]

# The weight methods, by the names scripts use.
WEIGHT_METHODS = {"nearest": 0, "surface": 1, "robust": 2}

_STATUS_OK = 0


class _WeightOptions(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("method", ctypes.c_int32),
        ("thread_count", ctypes.c_uint32),
        ("max_distance", ctypes.c_float),
        ("max_angle_degrees", ctypes.c_float),
        ("smoothing_passes", ctypes.c_uint32),
        ("max_influences", ctypes.c_uint32),
    ]


class _WeightInput(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("source_positions", ctypes.POINTER(ctypes.c_float)),
        ("source_vertex_count", ctypes.c_size_t),
        ("source_used", ctypes.POINTER(ctypes.c_uint8)),
        ("source_triangles", ctypes.POINTER(ctypes.c_uint32)),
        ("source_triangle_count", ctypes.c_size_t),
        ("source_joints", ctypes.POINTER(ctypes.c_uint32)),
        ("source_weights", ctypes.POINTER(ctypes.c_float)),
        ("source_influences", ctypes.c_size_t),
        ("joint_count", ctypes.c_size_t),
        ("destination_positions", ctypes.POINTER(ctypes.c_float)),
        ("destination_vertex_count", ctypes.c_size_t),
        ("destination_mask", ctypes.POINTER(ctypes.c_uint8)),
        ("destination_triangles", ctypes.POINTER(ctypes.c_uint32)),
        ("destination_triangle_count", ctypes.c_size_t),
    ]


def _weight_library():
    library = _load()
    if not hasattr(library, "palisor_transfer_weights"):
        raise PalisorError("the transfer library is older than 1.3: it carries no weights")
    library.palisor_transfer_default_weight_options.restype = None
    library.palisor_transfer_default_weight_options.argtypes = [ctypes.POINTER(_WeightOptions)]
    library.palisor_transfer_weights.restype = ctypes.c_int
    library.palisor_transfer_weights.argtypes = [
        ctypes.POINTER(_WeightInput), ctypes.POINTER(_WeightOptions),
        ctypes.POINTER(ctypes.c_uint32), ctypes.POINTER(ctypes.c_float),
        ctypes.POINTER(ctypes.c_uint8), ctypes.c_char_p, ctypes.c_size_t]
    return library


def _source_weights(joints, weights, count):
    """(S, k) joints and weights as the library takes them."""
    joints = np.asarray(joints)
    weights = np.ascontiguousarray(weights, dtype=np.float32)
    if weights.ndim != 2 or weights.shape[0] != count or joints.shape != weights.shape:
        raise PalisorError("source_joints and source_weights must both be of shape (%d, k), not "
                           "%s and %s" % (count, joints.shape, weights.shape))
    if joints.size and (joints.dtype.kind not in "iu" or joints.min() < 0):
        raise PalisorError("source_joints must hold joint indices from 0")
    return np.ascontiguousarray(joints, dtype=np.uint32), weights


def _weight_options(library, method, threads, max_distance, max_angle, smoothing, influences):
    if method not in WEIGHT_METHODS:
        raise PalisorError("unknown weight method %r; known: %s"
                           % (method, ", ".join(sorted(WEIGHT_METHODS))))
    options = _WeightOptions()
    options.struct_size = ctypes.sizeof(_WeightOptions)
    library.palisor_transfer_default_weight_options(ctypes.byref(options))
    options.method = WEIGHT_METHODS[method]
    options.thread_count = int(threads)
    if max_distance is not None:
        options.max_distance = float(max_distance)
    if max_angle is not None:
        options.max_angle_degrees = float(max_angle)
    options.smoothing_passes = int(smoothing)
    options.max_influences = int(influences)
    return options


def transfer_weights(source_positions, source_joints, source_weights, joint_count,
                     destination_positions, *, source_triangles=None, destination_triangles=None,
                     source_used=None, destination_mask=None, method="robust", max_influences=4,
                     max_distance=None, max_angle=None, smoothing_passes=0, threads=0,
                     return_marks=False):
    """Carries skin weights from the Source to the Destination.

    source_positions: (S, 3) rest positions; source_joints, source_weights: (S, k) each, slot j
        of vertex v being joint source_joints[v, j] with weight source_weights[v, j] (weight 0:
        unused); joint_count: the number of joints, above every joint used.
    destination_positions: (D, 3) rest positions.
    method: "nearest" (the plug-in's three-nearest inverse-square blend), "surface" (the closest
        point's barycentric blend) or "robust" (the default: "surface" under max_distance (None:
        no limit) and max_angle in degrees (None: 45), the refused vertices filled smoothly over
        the Destination's triangles, then
        smoothing_passes passes of smoothing). "surface" and "robust" need both meshes'
        triangles, (n, 3) vertex indices ((0, 3) for a Destination without faces).
    max_influences: the most joints a Destination vertex keeps (its largest).

    Returns (joints, weights), (D, max_influences) uint32 and float32 arrays, each row in
    decreasing weight, summing to exactly 1 (unused slots 0, and every slot of a vertex outside
    destination_mask); with return_marks also the (D,) uint8 MARK_ bits of each vertex. Raises
    PalisorError with the library's message when the transfer is refused.
    """
    library = _weight_library()
    options = _weight_options(library, method, threads, max_distance, max_angle,
                              smoothing_passes, max_influences)
    source = _points(source_positions, "source_positions")
    destination = _points(destination_positions, "destination_positions")
    joints, weights = _source_weights(source_joints, source_weights, len(source))
    used = _mask(source_used, len(source), "source_used")
    mask = _mask(destination_mask, len(destination), "destination_mask")
    surface = method != "nearest"
    source_faces = _triangles(source_triangles, len(source), "source_triangles") if surface \
        else None
    destination_faces = _triangles(destination_triangles, len(destination),
                                   "destination_triangles") if surface else None
    request = _WeightInput(
        ctypes.sizeof(_WeightInput), _float_pointer(source), len(source), _byte_pointer(used),
        _index_pointer(source_faces), _row_count(source_faces), _index_pointer(joints),
        _float_pointer(weights), weights.shape[1], int(joint_count), _float_pointer(destination),
        len(destination), _byte_pointer(mask), _index_pointer(destination_faces),
        _row_count(destination_faces))
    out_joints = np.zeros((len(destination), options.max_influences), dtype=np.uint32)
    out_weights = np.zeros((len(destination), options.max_influences), dtype=np.float32)
    marks = np.zeros(len(destination), dtype=np.uint8)
    message = ctypes.create_string_buffer(512)
    status = library.palisor_transfer_weights(
        ctypes.byref(request), ctypes.byref(options), _index_pointer(out_joints),
        _float_pointer(out_weights), _byte_pointer(marks), message, len(message))
    if status != _STATUS_OK:
        raise PalisorError(message.value.decode("utf-8", "replace"))
    return (out_joints, out_weights, marks) if return_marks else (out_joints, out_weights)
