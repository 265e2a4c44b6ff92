"""Palisor's transfer over numpy arrays, computed by the palisor_transfer library through ctypes.

Nothing here needs Blender: pipeline scripts use it as they are.
"""
import ctypes
import os
import sys

import numpy as np

__all__ = ["PalisorError", "library_version", "transfer", "METHODS"]

# The methods the library offers, by the names scripts and the add-on use.
METHODS = {"nearest": 0}

_STATUS_OK = 0


class PalisorError(RuntimeError):
    """A transfer the library refused or could not make; the message says why."""


class _Options(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("method", ctypes.c_int32),
        ("thread_count", ctypes.c_uint32),
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
    library.palisor_transfer_version.restype = ctypes.c_uint32
    library.palisor_transfer_version.argtypes = []
    library.palisor_transfer_default_options.restype = None
    library.palisor_transfer_default_options.argtypes = [ctypes.POINTER(_Options)]
    library.palisor_transfer_compute.restype = ctypes.c_int
    library.palisor_transfer_compute.argtypes = [
        ctypes.POINTER(_Input), ctypes.POINTER(_Options),
        ctypes.POINTER(ctypes.POINTER(ctypes.c_float)), ctypes.c_char_p, ctypes.c_size_t]
    _library = library
    return library


def library_version():
    """The library's version as (major, minor, patch)."""
    number = _load().palisor_transfer_version()
    return number // 10000, number // 100 % 100, number % 100


def _points(array, name):
    points = np.ascontiguousarray(array, dtype=np.float32)
    if points.ndim != 2 or points.shape[1] != 3:
        raise PalisorError("%s must be an array of shape (n, 3), not %s" % (name, points.shape))
    return points


def _mask(array, count, name):
    if array is None:
        return None
    mask = np.ascontiguousarray(array, dtype=np.uint8)
    if mask.shape != (count,):
        raise PalisorError("%s must hold one value per vertex (%d), not %s" % (name, count, mask.shape))
    return mask


def _float_pointer(array):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_float))


def _byte_pointer(array):
    return None if array is None else array.ctypes.data_as(ctypes.POINTER(ctypes.c_uint8))


def transfer(source_positions, target_displacements, destination_positions, *, source_used=None,
             destination_mask=None, method="nearest", threads=0):
    """Carries morph displacements from the Source to the Destination.

    source_positions: (S, 3) rest positions of the Source's vertices.
    target_displacements: one (<= S, 3) array per morph target, target minus base in the Source's
        vertex order (a target with fewer rows shows no motion at the Source vertices it lacks),
        or one (T, S, 3) array.
    destination_positions: (D, 3) rest positions of the Destination's vertices.
    source_used: optional (S,) booleans: the Source vertices that supply motion (default all).
    destination_mask: optional (D,) booleans: the Destination vertices that move (default all);
        the others get zero displacement.
    method: "nearest", the Palisor plug-in's rule: each vertex takes the inverse-square-distance
        weighted mean of the displacements of its three nearest used Source vertices, in 32-bit
        floats, bit for bit as the plug-in computes it.
    threads: how many threads compute; 0, all the machine runs. The result does not depend on it.

    Returns a float32 array of shape (T, D, 3): each target's displacement of each Destination
    vertex. Raises PalisorError with the library's message when the transfer is refused.
    """
    if method not in METHODS:
        raise PalisorError("unknown method %r; known: %s" % (method, ", ".join(sorted(METHODS))))
    source = _points(source_positions, "source_positions")
    destination = _points(destination_positions, "destination_positions")
    targets = [_points(target, "target_displacements[%d]" % k)
               for k, target in enumerate(target_displacements)]
    used = _mask(source_used, len(source), "source_used")
    mask = _mask(destination_mask, len(destination), "destination_mask")

    result = np.zeros((len(targets), len(destination), 3), dtype=np.float32)
    target_pointers = (ctypes.POINTER(ctypes.c_float) * max(len(targets), 1))(
        *[_float_pointer(target) for target in targets])
    target_counts = (ctypes.c_size_t * max(len(targets), 1))(*[len(target) for target in targets])
    output_pointers = (ctypes.POINTER(ctypes.c_float) * max(len(targets), 1))(
        *[_float_pointer(result[k]) for k in range(len(targets))])

    library = _load()
    options = _Options()
    library.palisor_transfer_default_options(ctypes.byref(options))
    options.method = METHODS[method]
    options.thread_count = int(threads)
    request = _Input(
        ctypes.sizeof(_Input), _float_pointer(source), len(source), _byte_pointer(used),
        target_pointers, target_counts, len(targets), _float_pointer(destination),
        len(destination), _byte_pointer(mask))
    message = ctypes.create_string_buffer(512)
    status = library.palisor_transfer_compute(
        ctypes.byref(request), ctypes.byref(options), output_pointers, message, len(message))
    if status != _STATUS_OK:
        raise PalisorError(message.value.decode("utf-8", "replace"))
    return result
