"""The add-on in a real Blender, run headless:
    blender -b --factory-startup --python addon_test.py -- ADDON.zip PALISOR_CLI WORK_FOLDER
It installs the add-on from its zip as a user would, makes scenes in Blender, runs the operator
and compares the keys it made with the independent reference and with palisor-cli's result for
the same scene exported to glTF."""
import json
import os
import struct
import subprocess
import sys
import unittest

import bpy
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference  # noqa: E402

ADDON_ZIP, PALISOR_CLI, WORK = sys.argv[sys.argv.index("--") + 1:][:3]
F = np.float32
KEYS = ["smile", "blink", "frown"]


def bits_equal(a, b):
    return a.shape == b.shape and np.array_equal(np.asarray(a, F).view(np.uint32),
                                                 np.asarray(b, F).view(np.uint32))


def vectors(collection):
    values = np.empty(len(collection) * 3, F)
    collection.foreach_get("co", values)
    return values.reshape(-1, 3)


def wavy_grid(name, side, offset, stream):
    """A bumpy square of side x side vertices in quads, with random jitter so that no two
    distances tie."""
    rng = np.random.default_rng(stream)
    u, v = np.meshgrid(np.linspace(-1, 1, side), np.linspace(-1, 1, side))
    z = 0.2 * np.sin(3 * u) * np.cos(2 * v)
    points = np.stack([u.ravel(), v.ravel(), z.ravel()], axis=1) + offset
    points = points + rng.normal(0, 0.01, points.shape)
    faces = [(r * side + c, r * side + c + 1, (r + 1) * side + c + 1, (r + 1) * side + c)
             for r in range(side - 1) for c in range(side - 1)]
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata(points.astype(F).tolist(), [], faces)
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    return obj


def sphere(name, radius, segments, rings, location, rotation, scale):
    import bmesh
    mesh = bpy.data.meshes.new(name)
    shape = bmesh.new()
    bmesh.ops.create_uvsphere(shape, u_segments=segments, v_segments=rings, radius=radius)
    shape.to_mesh(mesh)
    shape.free()
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    obj.location, obj.rotation_euler, obj.scale = location, rotation, scale
    return obj


def source_with_keys(stream=1):
    source = wavy_grid("face", 14, (0, 0, 0), stream)
    source.shape_key_add(name="Basis", from_mix=False)
    rng = np.random.default_rng(stream + 10)
    rest = vectors(source.data.vertices)
    for name in KEYS:
        key = source.shape_key_add(name=name, from_mix=False)
        key.data.foreach_set("co", (rest + rng.normal(0, 0.05, rest.shape)).astype(F).ravel())
    return source


def select(active, others):
    for obj in bpy.context.view_layer.objects:
        obj.select_set(False)
    for obj in [active] + others:
        obj.select_set(True)
    bpy.context.view_layer.objects.active = active


def fresh_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)
    enable_addon()


def enable_addon():
    import addon_utils
    if not addon_utils.check("palisor")[1]:
        bpy.ops.preferences.addon_enable(module="palisor")


def world(obj, points):
    matrix = np.array(obj.matrix_world, dtype=np.float64)
    return (points.astype(np.float64) @ matrix[:3, :3].T + matrix[:3, 3]).astype(F)


def expected_keys(source, destination, mask=None):
    """The reference's new key positions of `destination`, in its own space."""
    blocks = source.data.shape_keys.key_blocks
    rest = vectors(blocks["Basis"].data)
    source_matrix = np.array(source.matrix_world, dtype=np.float64)[:3, :3]
    moved = [((vectors(blocks[name].data) - rest).astype(np.float64) @ source_matrix.T).astype(F)
             for name in KEYS]
    base = vectors(destination.data.vertices)
    result = reference.transfer(world(source, rest), moved, world(destination, base), mask=mask)
    inverse = np.linalg.inv(np.array(destination.matrix_world, dtype=np.float64)[:3, :3])
    return {name: base + (result[k].astype(np.float64) @ inverse.T).astype(F)
            for k, name in enumerate(KEYS)}


def read_glb(path):
    with open(path, "rb") as file:
        data = file.read()
    length = struct.unpack_from("<I", data, 12)[0]
    document = json.loads(data[20:20 + length])
    binary = data[20 + length + 8:]
    return document, binary


def accessor_values(document, binary, index):
    accessor = document["accessors"][index]
    view = document["bufferViews"][accessor["bufferView"]]
    start = view.get("byteOffset", 0) + accessor.get("byteOffset", 0)
    return np.frombuffer(binary, F, accessor["count"] * 3, start).reshape(-1, 3)


def cli_keys(mesh_name, scene_path):
    """palisor-cli's new targets of the mesh `mesh_name`: base and base + displacement per glTF
    vertex, by target name."""
    document, binary = read_glb(scene_path)
    mesh = next(m for m in document["meshes"] if m["name"] == mesh_name)
    primitive = mesh["primitives"][0]
    base = accessor_values(document, binary, primitive["attributes"]["POSITION"])
    names = mesh["extras"]["targetNames"]
    return base, {name: base + accessor_values(document, binary, target["POSITION"])
                  for name, target in zip(names, primitive["targets"]) if name in KEYS}


class AddonTest(unittest.TestCase):
    def setUp(self):
        fresh_scene()

    def run_operator(self, **options):
        return bpy.ops.object.palisor_transfer_shape_keys('EXEC_DEFAULT', **options)

    def assert_keys(self, destination, expected, exact):
        blocks = destination.data.shape_keys.key_blocks
        for name, positions in expected.items():
            got = vectors(blocks[name].data)
            if exact:
                self.assertTrue(bits_equal(got, positions), name)
            else:
                self.assertLess(np.abs(got - positions).max(), 1e-6 * 4, name)
            self.assertEqual(blocks[name].value, 0.0)
            self.assertEqual(blocks[name].relative_key, destination.data.shape_keys.reference_key)

    def test_without_transforms_the_keys_match_the_reference_and_palisor_cli_bit_for_bit(self):
        source = source_with_keys()
        head = wavy_grid("head", 23, (0.013, -0.021, 0.05), 2)
        exported = os.path.join(WORK, "face_head.glb")
        result = os.path.join(WORK, "face_head_result.glb")
        bpy.ops.export_scene.gltf(filepath=exported, export_format='GLB', export_normals=False,
                                  export_texcoords=False, export_materials='NONE',
                                  export_morph_normal=False, export_yup=False)
        subprocess.run([PALISOR_CLI, exported, "-o", result, "--select", "face", "--select",
                        "head"], check=True, stdout=subprocess.DEVNULL)
        select(source, [head])
        self.assertEqual(self.run_operator(), {'FINISHED'})
        self.assert_keys(head, expected_keys(source, head), exact=True)

        head = bpy.data.objects["head"]
        base, targets = cli_keys("head", result)
        ours = {name: vectors(head.data.shape_keys.key_blocks[name].data) for name in KEYS}
        rest = vectors(head.data.vertices)
        index_of = {tuple(point): k for k, point in enumerate(rest.view(np.uint32).tolist())}
        order = [index_of[tuple(point)] for point in base.view(np.uint32).tolist()]
        for name in KEYS:
            self.assertTrue(bits_equal(ours[name][order], targets[name]), name)

    def test_parented_and_scaled_objects_are_compared_in_world_space(self):
        source = source_with_keys()
        holder = bpy.data.objects.new("holder", None)
        bpy.context.scene.collection.objects.link(holder)
        holder.scale = (2.0, 2.0, 2.0)
        holder.rotation_euler = (0.3, 0.0, 0.7)
        source.parent = holder
        brows = wavy_grid("brows", 17, (0.1, 0.2, 0.0), 3)
        brows.location = (0.05, -0.1, 0.02)
        brows.scale = (2.1, 1.9, 2.0)
        brows.rotation_euler = (0.31, 0.01, 0.69)
        bpy.context.view_layer.update()
        select(source, [brows])
        self.assertEqual(self.run_operator(), {'FINISHED'})
        self.assert_keys(brows, expected_keys(source, brows), exact=False)

    def test_an_existing_key_is_kept_as_a_backup_or_replaced_in_place(self):
        for keep_backup in (True, False):
            with self.subTest(keep_backup=keep_backup):
                fresh_scene()
                source = source_with_keys()
                head = wavy_grid("head", 19, (0.01, 0.02, 0.03), 4)
                beard = wavy_grid("beard", 11, (0.02, 0.0, -0.02), 5)
                head.shape_key_add(name="Basis", from_mix=False)
                old = head.shape_key_add(name="smile", from_mix=False)
                old.value = 0.5
                old_positions = vectors(old.data) + F(1)
                old.data.foreach_set("co", old_positions.ravel())
                select(source, [head, beard])
                self.run_operator(keep_backup=keep_backup)
                blocks = head.data.shape_keys.key_blocks
                self.assert_keys(beard, expected_keys(source, beard), exact=True)
                new = vectors(blocks["smile"].data)
                self.assertTrue(bits_equal(new, expected_keys(source, head)["smile"]))
                if keep_backup:
                    self.assertTrue(bits_equal(vectors(blocks["#smile1"].data), old_positions))
                    self.assertEqual(blocks["#smile1"].value, 0.5)
                    self.assertEqual(blocks["smile"].value, 0.0)
                else:
                    self.assertNotIn("#smile1", blocks)
                    self.assertEqual(blocks["smile"].value, 0.5)

    def test_only_the_selected_vertices_move(self):
        source = source_with_keys()
        head = wavy_grid("head", 15, (0.01, 0.02, 0.03), 6)
        selected = np.random.default_rng(3).random(len(head.data.vertices)) < 0.4
        head.data.vertices.foreach_set("select", selected)
        select(source, [head])
        self.run_operator(selected_only=True, keys=[{"name": "blink", "ticked": True}])
        self.assertEqual([key.name for key in head.data.shape_keys.key_blocks],
                         ["Basis", "blink"])
        expected = expected_keys(source, head, mask=selected)["blink"]
        self.assertTrue(bits_equal(vectors(head.data.shape_keys.key_blocks["blink"].data),
                                   expected))

    def test_one_undo_step_restores_everything(self):
        source = source_with_keys()
        head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 7)
        beard = wavy_grid("beard", 7, (0.0, 0.01, 0.0), 8)
        head.shape_key_add(name="Basis", from_mix=False)
        head.shape_key_add(name="smile", from_mix=False).value = 0.5
        select(source, [head, beard])
        # Headless Blender starts its undo system on the first explicit push.
        bpy.ops.ed.undo_push(message="before")
        bpy.ops.object.palisor_transfer_shape_keys('EXEC_DEFAULT', True)
        self.assertIn("#smile1", bpy.data.objects["head"].data.shape_keys.key_blocks)
        bpy.ops.ed.undo()
        blocks = bpy.data.objects["head"].data.shape_keys.key_blocks
        self.assertEqual([(key.name, key.value) for key in blocks], [("Basis", 0.0),
                                                                      ("smile", 0.5)])
        self.assertIsNone(bpy.data.objects["beard"].data.shape_keys)

    def test_carry_moves_a_shell_rigidly_with_a_turned_source(self):
        body = sphere("body", 1.0, 16, 12, (0.2, 0.0, 0.1), (0.3, 0.0, 0.5), (1.5, 1.5, 1.5))
        shell = sphere("shell", 1.3, 11, 9, (0.25, 0.05, 0.1), (0.0, 0.2, 0.4), (1.6, 1.5, 1.4))
        bpy.context.view_layer.update()
        body.shape_key_add(name="Basis", from_mix=False)
        angle, axis = 0.7, np.array([1.0, 2.0, 0.5]) / np.linalg.norm([1.0, 2.0, 0.5])
        cross = np.array([[0, -axis[2], axis[1]], [axis[2], 0, -axis[0]],
                          [-axis[1], axis[0], 0]])
        turn = np.identity(4)
        turn[:3, :3] = np.identity(3) + np.sin(angle) * cross + (1 - np.cos(angle)) * cross @ cross
        turn[:3, 3] = (0.3, -0.2, 0.4)
        rest = vectors(body.data.vertices)
        body.shape_key_add(name="turn", from_mix=False).data.foreach_set(
            "co", (rest @ turn[:3, :3].T + turn[:3, 3]).astype(F).ravel())
        select(body, [shell])
        self.assertEqual(self.run_operator(method="carry"), {'FINISHED'})
        # The key turns the body in its own space: the shell turns with it in the body's space.
        body_matrix = np.array(body.matrix_world, dtype=np.float64)
        shell_matrix = np.array(shell.matrix_world, dtype=np.float64)
        motion = np.linalg.inv(shell_matrix) @ body_matrix @ turn @ np.linalg.inv(body_matrix) \
            @ shell_matrix
        base = vectors(shell.data.vertices)
        got = vectors(shell.data.shape_keys.key_blocks["turn"].data)
        self.assertLess(np.abs(got - (base @ motion[:3, :3].T + motion[:3, 3])).max(), 1e-4)

    def test_wrong_use_is_reported_and_changes_nothing(self):
        def no_keys_on_the_source():
            face = wavy_grid("face", 5, (0, 0, 0), 1)
            select(face, [wavy_grid("head", 5, (0, 0, 0), 2)])
            return "no shape keys"

        def no_destination():
            select(source_with_keys(), [])
            return "Select the meshes"

        def not_a_mesh():
            empty = bpy.data.objects.new("lamp", None)
            bpy.context.scene.collection.objects.link(empty)
            select(source_with_keys(), [wavy_grid("head", 5, (0, 0, 0), 2), empty])
            return "not a mesh"

        def a_destination_in_edit_mode():
            source = source_with_keys()
            head = wavy_grid("head", 5, (0, 0, 0), 2)
            select(head, [])
            bpy.ops.object.mode_set(mode='EDIT')
            select(source, [head])
            return "Edit Mode"

        for case in (no_keys_on_the_source, no_destination, not_a_mesh,
                     a_destination_in_edit_mode):
            with self.subTest(case.__name__):
                fresh_scene()
                expected = case()
                before = {obj.name: obj.data.shape_keys and len(obj.data.shape_keys.key_blocks)
                          for obj in bpy.data.objects if obj.type == 'MESH'}
                with self.assertRaises(RuntimeError) as raised:
                    self.run_operator()
                self.assertIn(expected, str(raised.exception))
                after = {obj.name: obj.data.shape_keys and len(obj.data.shape_keys.key_blocks)
                         for obj in bpy.data.objects if obj.type == 'MESH'}
                self.assertEqual(before, after)


def install_addon():
    bpy.ops.preferences.addon_install(filepath=ADDON_ZIP, overwrite=True)
    enable_addon()


if __name__ == "__main__":
    install_addon()
    outcome = unittest.main(argv=["addon_test"], exit=False).result
    sys.exit(0 if outcome.wasSuccessful() and outcome.testsRun > 0 else 1)
