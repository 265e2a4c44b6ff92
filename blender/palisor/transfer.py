"""Palisor's transfer over numpy arrays, computed by the palisor_transfer library through ctypes.

transfer() carries morph displacements by the plug-in's rule ("nearest", bit for bit), or along
the Source's surface ("surface", "carry"), given both meshes' triangles, with the limits and the
keep-outside distance of palisor-cli; it can also tell what was done to each vertex (MARK_ bits).
Nothing here needs Blender: pipeline scripts use it as they are.
"""
import ctypes
import os
import sys

import numpy as np

__all__ = ["PalisorError", "library_version", "transfer", "METHODS", "SURFACE_METHODS",
           "MARK_MATCHED", "MARK_FILLED", "MARK_RIGID", "MARK_PUSHED", "MARK_NOT_FINITE"]

# The methods the library offers, by the names scripts and the add-on use.
METHODS = {"nearest": 0, "surface": 1, "carry": 2}
# The methods that match vertices to the Source's triangles: they need both meshes' triangles.
SURFACE_METHODS = ("surface", "carry")

# What was done to a Destination vertex, bits combined in the marks transfer() can return.
MARK_MATCHED = 1  # took its motion from its own match on the Source
MARK_FILLED = 2   # its match was refused: filled from the matched vertices around it
MARK_RIGID = 4    # refused, in a part with no matched vertex: moved rigidly with the Source
MARK_PUSHED = 8   # pushed back outside the morphed Source (keep_outside)
MARK_NOT_FINITE = 16  # its own motion was not finite: filled, moved rigidly or left in place

_STATUS_OK = 0


class PalisorError(RuntimeError):
    """A transfer the library refused or could not make; the message says why."""


class _Options(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("method", ctypes.c_int32),
        ("thread_count", ctypes.c_uint32),
        ("max_distance", ctypes.c_float),
        ("max_angle_degrees", ctypes.c_float),
        ("keep_outside", ctypes.c_float),
    ]


class _Input(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("source_positions", ctypes.POINTER(ctypes.c_float)),
        ("source_vertex_count", ctypes.c_size_t),
        ("source_used", ctypes.POINTER(ctypes.c_uint8)),
        ("target_displacements", ctypes.POINTER(ctypes.POINTER(ctypes.c_float))),
        ("target_vertex_counts", ctypes.POINTER(ctypes.c_size_t)),
        ("target_count", ctypes.c_size_t),
        ("destination_positions", ctypes.POINTER(ctypes.c_float)),
        ("destination_vertex_count", ctypes.c_size_t),
        ("destination_mask", ctypes.POINTER(ctypes.c_uint8)),
        ("source_triangles", ctypes.POINTER(ctypes.c_uint32)),
        ("source_triangle_count", ctypes.c_size_t),
        ("destination_triangles", ctypes.POINTER(ctypes.c_uint32)),
        ("destination_triangle_count", ctypes.c_size_t),
    ]


def _library_file_name():
    if sys.platform == "win32":
        return "palisor_transfer.dll"
    if sys.platform == "darwin":
        return "libpalisor_transfer.dylib"
    return "libpalisor_transfer.so"


def _library_path():
    """PALISOR_TRANSFER_LIBRARY if set, else the library in this package's lib folder."""
    given = os.environ.get("PALISOR_TRANSFER_LIBRARY")
    if given:
        return given
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib", _library_file_name())


_library = None


def _load():
    global _library
    if _library is not None:
        return _library
    path = _library_path()
    if not os.path.isfile(path):
        raise PalisorError(
            "the transfer library is missing: %s (set PALISOR_TRANSFER_LIBRARY to its path)" % path)
    try:
        library = ctypes.CDLL(path)
    except OSError as error:
        raise PalisorError("cannot load the transfer library %s: %s" % (path, error)) from error
    try:
        _declare(library)
    except AttributeError as error:
        raise PalisorError("%s is not Palisor's transfer library: %s" % (path, error)) from error
    _library = library
    return library


def _declare(library):
    """The argument and result types of the functions used; AttributeError where one is missing."""
    library.palisor_transfer_version.restype = ctypes.c_uint32
    library.palisor_transfer_version.argtypes = []
    library.palisor_transfer_default_options.restype = None
    library.palisor_transfer_default_options.argtypes = [ctypes.POINTER(_Options)]
    library.palisor_transfer_compute_marked.restype = ctypes.c_int
    library.palisor_transfer_compute_marked.argtypes = [
        ctypes.POINTER(_Input), ctypes.POINTER(_Options),
        ctypes.POINTER(ctypes.POINTER(ctypes.c_float)), ctypes.POINTER(ctypes.c_uint8),
        ctypes.c_char_p, ctypes.c_size_t]


def library_version():
    """The library's version as (major, minor, patch)."""
    number = _load().palisor_transfer_version()
    return number // 10000, number // 100 % 100, number % 100


def _points(array, name):
    points = np.ascontiguousarray(array, dtype=np.float32)
    if points.ndim != 2 or points.shape[1] != 3:
        raise PalisorError("%s must be an array of shape (n, 3), not %s" % (name, points.shape))
    return points


def _target(array, index, source_count):
    name = "target_displacements[%d]" % index
    target = _points(array, name)
    if len(target) > source_count:
        raise PalisorError("%s has %d rows, more than the Source's %d vertices"
                           % (name, len(target), source_count))
    return target


def _mask(array, count, name):
    if array is None:
        return None
    mask = np.ascontiguousarray(array, dtype=np.uint8)
    if mask.shape != (count,):
        raise PalisorError("%s must hold one value per vertex (%d), not %s" % (name, count, mask.shape))
    return mask


def _triangles(array, vertex_count, name):
    """(n, 3) vertex indices as the library takes them, each below `vertex_count`."""
    if array is None:
        raise PalisorError("%s are needed by the surface methods: (n, 3) vertex indices" % name)
    triangles = np.asarray(array)
    if triangles.ndim != 2 or triangles.shape[1] != 3:
        raise PalisorError("%s must be an array of shape (n, 3), not %s" % (name, triangles.shape))
    if triangles.size == 0:
        return np.zeros((0, 3), dtype=np.uint32)
    if triangles.dtype.kind not in "iu":
        raise PalisorError("%s must hold integer vertex indices, not %s" % (name, triangles.dtype))
    if triangles.min() < 0 or triangles.max() >= vertex_count:
        raise PalisorError("%s must hold vertex indices from 0 to %d" % (name, vertex_count - 1))
    return np.ascontiguousarray(triangles, dtype=np.uint32)


def _float_pointer(array):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_float))


def _byte_pointer(array):
    return None if array is None else array.ctypes.data_as(ctypes.POINTER(ctypes.c_uint8))


def _index_pointer(array):
    return None if array is None else array.ctypes.data_as(ctypes.POINTER(ctypes.c_uint32))


def _row_count(array):
    return 0 if array is None else len(array)


def _options(library, method, threads, max_distance, max_angle, keep_outside):
    options = _Options()
    # The size first: the library then fills every field this module knows.
    options.struct_size = ctypes.sizeof(_Options)
    library.palisor_transfer_default_options(ctypes.byref(options))
    options.method = METHODS[method]
    options.thread_count = int(threads)
    if max_distance is not None:
        options.max_distance = float(max_distance)
    if max_angle is not None:
        options.max_angle_degrees = float(max_angle)
    if keep_outside is not None:
        if not 0.0 <= float(keep_outside) < float("inf"):
            raise PalisorError("keep_outside is %r: it must be a finite distance of 0 or more, "
                               "or None for off" % (keep_outside,))
        options.keep_outside = float(keep_outside)
    return options


class _Arrays:
    """The arguments as contiguous arrays of the library's types, checked."""

    def __init__(self, source_positions, target_displacements, destination_positions,
                 source_used, destination_mask, method, source_triangles, destination_triangles):
        if method not in METHODS:
            raise PalisorError("unknown method %r; known: %s"
                               % (method, ", ".join(sorted(METHODS))))
        self.source = _points(source_positions, "source_positions")
        self.destination = _points(destination_positions, "destination_positions")
        self.targets = [_target(target, k, len(self.source))
                        for k, target in enumerate(target_displacements)]
        self.used = _mask(source_used, len(self.source), "source_used")
        self.mask = _mask(destination_mask, len(self.destination), "destination_mask")
        self.source_triangles = self.destination_triangles = None
        if method in SURFACE_METHODS:
            self.source_triangles = _triangles(source_triangles, len(self.source),
                                               "source_triangles")
            self.destination_triangles = _triangles(destination_triangles,
                                                    len(self.destination),
                                                    "destination_triangles")

    def request(self):
        count = max(len(self.targets), 1)
        self.target_pointers = (ctypes.POINTER(ctypes.c_float) * count)(
            *[_float_pointer(target) for target in self.targets])
        self.target_counts = (ctypes.c_size_t * count)(*[len(target) for target in self.targets])
        return _Input(
            ctypes.sizeof(_Input), _float_pointer(self.source), len(self.source),
            _byte_pointer(self.used), self.target_pointers, self.target_counts, len(self.targets),
            _float_pointer(self.destination), len(self.destination), _byte_pointer(self.mask),
            _index_pointer(self.source_triangles), _row_count(self.source_triangles),
            _index_pointer(self.destination_triangles), _row_count(self.destination_triangles))


def transfer(source_positions, target_displacements, destination_positions, *, source_used=None,
             destination_mask=None, method="nearest", threads=0, source_triangles=None,
             destination_triangles=None, max_distance=None, max_angle=None, keep_outside=None,
             return_marks=False):
    """Carries morph displacements from the Source to the Destination.

    source_positions: (S, 3) rest positions of the Source's vertices.
    target_displacements: one (<= S, 3) array per morph target, target minus base in the Source's
        vertex order (a target with fewer rows shows no motion at the Source vertices it lacks),
        or one (T, S, 3) array.
    destination_positions: (D, 3) rest positions of the Destination's vertices.
    source_used: optional (S,) booleans: the Source vertices that supply motion (default all).
    destination_mask: optional (D,) booleans: the Destination vertices that move (default all);
        the others get zero displacement.
    method: how a Destination vertex takes its motion:
        "nearest" (the default), the Palisor plug-in's rule: the inverse-square-distance weighted
            mean of the displacements of its three nearest used Source vertices, in 32-bit
            floats, bit for bit as the plug-in computes it;
        "surface": the displacement at its closest point on the Source's triangles, blended from
            that triangle's corners;
        "carry" (recommended for clothes and accessories): as "surface", and its offset from the
            closest point turns and stretches with the surface there, keeping its length along
            the normal; a rigid motion of the Source moves the Destination rigidly.
    threads: how many threads compute; 0, all the machine runs. The result does not depend on it.

    For "surface" and "carry" only ("nearest" ignores them):
    source_triangles, destination_triangles: (n, 3) integer vertex indices of each mesh's
        triangles (polygons fanned into triangles), both required; the Source's surface is made
        of its triangles whose corners are all used. A Destination without faces passes (0, 3).
    max_distance: refuse a closest point farther than this from the vertex (None: no limit).
    max_angle: refuse a closest point where the Source's normal turns more than this many
        degrees from the Destination vertex's normal (None or 180: no limit). A refused vertex is
        filled smoothly from its matched neighbours over the Destination's triangles; a connected
        part without any matched vertex moves rigidly with the Source's surface.
    keep_outside: a distance (None: off): a vertex outside the rest Source (on either side of an
        open one) ends at least this far outside the morphed Source, on its side.

    Returns a float32 array of shape (T, D, 3): each target's displacement of each Destination
    vertex; with return_marks, (displacements, marks), marks a (D,) uint8 array of MARK_ bits
    telling what was done to each vertex (0 for the vertices outside destination_mask). Raises
    PalisorError with the library's message when the transfer is refused.
    """
    arrays = _Arrays(source_positions, target_displacements, destination_positions, source_used,
                     destination_mask, method, source_triangles, destination_triangles)
    result = np.zeros((len(arrays.targets), len(arrays.destination), 3), dtype=np.float32)
    output_pointers = (ctypes.POINTER(ctypes.c_float) * max(len(arrays.targets), 1))(
        *[_float_pointer(result[k]) for k in range(len(arrays.targets))])
    marks = np.zeros(len(arrays.destination), dtype=np.uint8) if return_marks else None

    library = _load()
    options = _options(library, method, threads, max_distance, max_angle, keep_outside)
    request = arrays.request()
    message = ctypes.create_string_buffer(512)
    status = library.palisor_transfer_compute_marked(
        ctypes.byref(request), ctypes.byref(options), output_pointers, _byte_pointer(marks),
        message, len(message))
    if status != _STATUS_OK:
        raise PalisorError(message.value.decode("utf-8", "replace"))
    return (result, marks) if return_marks else result
