"""Palisor: carries shape keys (morphs) from one mesh to meshes of other topology.

As a Blender add-on it adds "Transfer Shape Keys (Palisor)" to the Object menu. Outside Blender,
`import palisor` gives the transfer over numpy arrays (palisor.transfer), and that of skin weights
(palisor.transfer_weights), for pipeline scripts.
"""

bl_info = {
    "name": "Palisor: Transfer Shape Keys",
    "author": "Palisor",
    "version": (1, 3, 0),
    "blender": (3, 4, 0),
    "location": "View3D > Object > Transfer Shape Keys (Palisor)",
    "description": "Carries the active mesh's shape keys to the other selected meshes, "
                   "whatever their topology",
    "doc_url": "",
    "category": "Object",
}

from .transfer import (  # noqa: E402
    MARK_FILLED, MARK_MATCHED, MARK_NOT_FINITE, MARK_PUSHED, MARK_RIGID, METHODS, SURFACE_METHODS,
    PalisorError, library_version, transfer)
from .weights import WEIGHT_METHODS, transfer_weights  # noqa: E402


def register():
    from . import addon
    addon.register()


def unregister():
    from . import addon
    addon.unregister()
