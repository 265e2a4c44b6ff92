"""Blender draws the add-on's dialog in a real window and saves a picture of it, for
docs/blender.md. Run by scripts/blender-dialog-picture.sh, which gives it a window under Xvfb:

    blender --factory-startup --python blender_dialog_picture.py -- ADDON.zip OUTPUT.png
"""
import os
import sys

import bpy
import numpy as np

ADDON_ZIP, OUTPUT = sys.argv[sys.argv.index("--") + 1:][:2]
# Pixels of the window kept around the dialog.
MARGIN = 12


def scene():
    """A body with a few shape keys, and a shirt over it, selected with the body active."""
    bpy.ops.object.select_all(action='SELECT')
    bpy.ops.object.delete()
    bpy.ops.mesh.primitive_uv_sphere_add(radius=1.15, location=(0, 0, 0))
    shirt = bpy.context.active_object
    shirt.name = "Shirt"
    shirt.vertex_groups.new(name="Chest")
    bpy.ops.mesh.primitive_uv_sphere_add(radius=1.0, location=(0, 0, 0))
    body = bpy.context.active_object
    body.name = "Body"
    body.shape_key_add(name="Basis", from_mix=False)
    for name in ("Breathe", "Belly", "Shoulders_Up", "Muscular"):
        body.shape_key_add(name=name, from_mix=False)
    shirt.select_set(True)
    body.select_set(True)


def view3d():
    window = bpy.context.window_manager.windows[0]
    area = max((area for area in window.screen.areas if area.type == 'VIEW_3D'),
               key=lambda area: area.width * area.height)
    region = next(region for region in area.regions if region.type == 'WINDOW')
    return window, area, region


def screenshot(path):
    """The whole window's pixels, top row first, as Blender draws them."""
    window, area, region = view3d()
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.screen.screenshot(filepath=path)
    image = bpy.data.images.load(path)
    width, height = image.size
    pixels = np.array(image.pixels[:], dtype=np.float32).reshape(height, width, 4)[::-1]
    bpy.data.images.remove(image)
    os.remove(path)
    return pixels


def open_dialog():
    window, area, region = view3d()
    window.cursor_warp(region.x + region.width // 2, region.y + region.height // 2)
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.wm.redraw_timer(type='DRAW_WIN_SWAP', iterations=2)
    before = screenshot(OUTPUT + ".before.png")
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.object.palisor_transfer_shape_keys('INVOKE_DEFAULT', method='carry')
    bpy.app.timers.register(lambda: save_dialog(before), first_interval=1.5)


def dialog_span(counts):
    """The longest run of rows (or columns) a good part of which changed, gaps of a few lines
    (where the dialog's pixels happen to match what was behind) included."""
    marked = np.flatnonzero(counts > counts.max() // 4)
    runs = np.split(marked, np.flatnonzero(np.diff(marked) > 40) + 1)
    return max(runs, key=len)


def save_dialog(before):
    """Saves what the dialog covers: the box of the window that changed when it opened."""
    after = screenshot(OUTPUT + ".after.png")
    changed = np.abs(after - before).sum(axis=2) > 0.01
    # The dialog changes most of each of its rows and columns; a redrawn viewport, a few pixels.
    rows, columns = dialog_span(changed.sum(axis=1)), dialog_span(changed.sum(axis=0))
    top, bottom = max(rows[0] - MARGIN, 0), min(rows[-1] + MARGIN + 1, len(after))
    left, right = max(columns[0] - MARGIN, 0), min(columns[-1] + MARGIN + 1, after.shape[1])
    crop = np.ascontiguousarray(after[top:bottom, left:right][::-1])
    picture = bpy.data.images.new("dialog", crop.shape[1], crop.shape[0])
    picture.pixels[:] = crop.ravel()
    picture.filepath_raw = OUTPUT
    picture.file_format = 'PNG'
    picture.save()
    bpy.ops.wm.quit_blender()


def main():
    # Before Blender opens its splash screen, which would hide the dialog.
    bpy.context.preferences.view.show_splash = False
    bpy.ops.preferences.addon_install(filepath=os.path.abspath(ADDON_ZIP), overwrite=True)
    bpy.ops.preferences.addon_enable(module="palisor")
    scene()
    bpy.app.timers.register(open_dialog, first_interval=1.0)


main()
