"""The add-on in a real Blender, run headless:
    blender -b --factory-startup --python addon_test.py -- ADDON.zip PALISOR_CLI WORK_FOLDER
It installs the add-on from its zip as a user would, makes scenes in Blender, runs the operator
and compares the keys it made with the independent reference and with palisor-cli's result for
the same scene exported to glTF."""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
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


def add_mesh(name, points, faces, location=(0, 0, 0), rotation=(0, 0, 0), scale=(1, 1, 1)):
    """The one scene builder: a mesh object of `points` and `faces` in the scene."""
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata(np.asarray(points, F).tolist(), [], [tuple(face) for face in faces])
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    obj.location, obj.rotation_euler, obj.scale = location, rotation, scale
    return obj


def wavy_grid_shape(side, offset, stream):
    """A bumpy square of side x side vertices in quads, with random jitter so that no two
    distances tie."""
    rng = np.random.default_rng(stream)
    u, v = np.meshgrid(np.linspace(-1, 1, side), np.linspace(-1, 1, side))
    z = 0.2 * np.sin(3 * u) * np.cos(2 * v)
    points = np.stack([u.ravel(), v.ravel(), z.ravel()], axis=1) + offset
    points = points + rng.normal(0, 0.01, points.shape)
    faces = [(r * side + c, r * side + c + 1, (r + 1) * side + c + 1, (r + 1) * side + c)
             for r in range(side - 1) for c in range(side - 1)]
    return points, faces


def ball_shape(radius, subdivisions):
    """An icosphere: triangles only, so that reversing a face keeps its triangle."""
    import bmesh
    shape = bmesh.new()
    bmesh.ops.create_icosphere(shape, subdivisions=subdivisions, radius=radius)
    points = np.array([vertex.co for vertex in shape.verts])
    faces = [[vertex.index for vertex in face.verts] for face in shape.faces]
    shape.free()
    return points, faces


def wavy_grid(name, side, offset, stream, **transform):
    return add_mesh(name, *wavy_grid_shape(side, offset, stream), **transform)


def add_key(obj, name, points):
    if obj.data.shape_keys is None:
        obj.shape_key_add(name="Basis", from_mix=False)
    key = obj.shape_key_add(name=name, from_mix=False)
    key.data.foreach_set("co", np.asarray(points, F).ravel())
    return key


def source_with_keys(stream=1):
    source = wavy_grid("face", 14, (0, 0, 0), stream)
    rng = np.random.default_rng(stream + 10)
    rest = vectors(source.data.vertices)
    for name in KEYS:
        add_key(source, name, rest + rng.normal(0, 0.05, rest.shape))
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


def reported(run):
    """run()'s result and what the operator reported: Blender prints the reports of an operator
    called from Python to standard output."""
    sys.stdout.flush()
    saved = os.dup(1)
    with tempfile.TemporaryFile(mode="w+") as capture:
        os.dup2(capture.fileno(), 1)
        try:
            result = run()
        finally:
            sys.stdout.flush()
            os.dup2(saved, 1)
            os.close(saved)
        capture.seek(0)
        return result, capture.read()


def body_and_garment(mirrored=(), twins=()):
    """A ball "body" with the keys "bulge" (one side swells) and "swell" (all of it), and a looser
    ball "garment" around it. The objects named in `mirrored` get Scale X -1; those in `twins`
    instead get mirrored mesh data with reversed faces: what Blender shows of the mirrored one."""
    made = {}
    for name, radius, detail in (("body", 1.0, 3), ("garment", 1.15, 2)):
        points, faces = ball_shape(radius, detail)
        keys = {"bulge": points * (1 + 0.4 * np.maximum(points[:, :1] - 0.2, 0)),
                "swell": points * 1.1} if name == "body" else {}
        if name in twins:
            points, faces = points * (-1, 1, 1), [face[::-1] for face in faces]
            keys = {key: moved * (-1, 1, 1) for key, moved in keys.items()}
        made[name] = add_mesh(name, points, faces, scale=(-1 if name in mirrored else 1, 1, 1))
        for key, moved in keys.items():
            add_key(made[name], key, moved)
    bpy.context.view_layer.update()
    select(made["body"], [made["garment"]])
    return made["body"], made["garment"]


def world_keys(obj):
    blocks = obj.data.shape_keys.key_blocks
    return {key.name: world(obj, vectors(key.data)) for key in blocks}


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
        body = add_mesh("body", *ball_shape(1.0, 3), (0.2, 0.0, 0.1), (0.3, 0.0, 0.5),
                        (1.5, 1.5, 1.5))
        shell = add_mesh("shell", *ball_shape(1.3, 2), (0.25, 0.05, 0.1), (0.0, 0.2, 0.4),
                         (1.6, 1.5, 1.4))
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

        def no_mesh_besides_the_source():
            empty = bpy.data.objects.new("lamp", None)
            bpy.context.scene.collection.objects.link(empty)
            select(source_with_keys(), [empty])
            return "None of the other selected objects is a mesh"

        def only_faceless_destinations():
            select(source_with_keys(), [add_mesh("dots", [(0, 0, 0), (1, 0, 0)], [])])
            return "Nothing can move: 'dots' was left as it is: it has no faces"

        def a_destination_in_edit_mode():
            source = source_with_keys()
            head = wavy_grid("head", 5, (0, 0, 0), 2)
            select(head, [])
            bpy.ops.object.mode_set(mode='EDIT')
            select(source, [head])
            return "Edit Mode"

        for case in (no_keys_on_the_source, no_destination, no_mesh_besides_the_source,
                     only_faceless_destinations, a_destination_in_edit_mode):
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


    def test_a_mirrored_object_is_taken_as_blender_shows_it(self):
        angle = math.radians(60)
        cases = {  # the mirrored objects, the options
            "the body, Keep Outside": ({"body"}, dict(method="surface", keep_outside=True,
                                                      keep_outside_distance=0.3)),
            "the garment, Max Angle": ({"garment"}, dict(method="carry", max_angle=angle)),
            "both, both": ({"body", "garment"}, dict(method="carry", max_angle=angle,
                                                     keep_outside=True, keep_outside_distance=0.3)),
        }
        for name, (mirrored, options) in cases.items():
            with self.subTest(name):
                results = []
                for scene in (dict(mirrored=mirrored), dict(twins=mirrored)):
                    fresh_scene()
                    _, garment = body_and_garment(**scene)
                    self.assertEqual(self.run_operator(**options), {'FINISHED'})
                    results.append(world_keys(garment))
                for key in ("bulge", "swell"):
                    self.assertLess(np.abs(results[0][key] - results[1][key]).max(), 1e-6, key)

    def test_names_and_shared_meshes_leave_the_source_and_the_basis_alone(self):
        def a_source_key_named_basis():
            source = source_with_keys()
            source.data.shape_keys.reference_key.name = "Rest"
            source.data.shape_keys.key_blocks["smile"].name = "Basis"
            head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 4)
            select(source, [head])
            return head, ["Rest", "Basis", "blink", "frown"]

        def a_linked_duplicate_of_the_source():
            source = source_with_keys()
            twin = source.copy()
            bpy.context.scene.collection.objects.link(twin)
            head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 4)
            select(source, [twin, head])
            return head, ["Basis"] + KEYS

        def linked_duplicate_destinations():
            source = source_with_keys()
            head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 4)
            twin = head.copy()
            bpy.context.scene.collection.objects.link(twin)
            select(source, [head, twin])
            return head, ["Basis"] + KEYS

        for case in (a_source_key_named_basis, a_linked_duplicate_of_the_source,
                     linked_duplicate_destinations):
            with self.subTest(case.__name__):
                fresh_scene()
                head, names = case()
                source = bpy.context.view_layer.objects.active
                before = {key.name: vectors(key.data) for key in source.data.shape_keys.key_blocks}
                rest = vectors(head.data.vertices)
                _, report = reported(self.run_operator)
                self.assertIn("made 3 shape keys on 1 object", report)
                blocks = head.data.shape_keys.key_blocks
                self.assertEqual([key.name for key in blocks], names)
                self.assertTrue(bits_equal(vectors(blocks[0].data), rest))
                for key in source.data.shape_keys.key_blocks:
                    self.assertTrue(bits_equal(vectors(key.data), before[key.name]), key.name)

    def test_a_keys_vertex_group_limits_its_motion_as_blender_applies_it(self):
        source = source_with_keys()
        weights = np.tile([0.0, 0.5, 1.0], len(source.data.vertices))[:len(source.data.vertices)]
        group = source.vertex_groups.new(name="left")
        for weight in (0.5, 1.0):
            group.add(np.flatnonzero(weights == weight).tolist(), weight, 'REPLACE')
        source.data.shape_keys.key_blocks["smile"].vertex_group = "left"
        head = wavy_grid("head", 11, (0.01, 0.02, 0.03), 4)
        select(source, [head])
        self.run_operator(keys=[{"name": "smile", "ticked": True}])
        blocks = source.data.shape_keys.key_blocks
        rest = vectors(blocks["Basis"].data)
        moved = (vectors(blocks["smile"].data) - rest) * weights[:, None].astype(F)
        base = vectors(head.data.vertices)
        want = base + reference.transfer(rest, [moved], base)[0]
        self.assertTrue(bits_equal(vectors(head.data.shape_keys.key_blocks["smile"].data), want))

    def test_selected_objects_of_other_types_are_passed_over(self):
        source = source_with_keys()
        head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 4)
        rig = bpy.data.objects.new("rig", bpy.data.armatures.new("rig"))
        empty = bpy.data.objects.new("empty", None)
        for obj in (rig, empty):
            bpy.context.scene.collection.objects.link(obj)
        select(source, [rig, head, empty])
        result, report = reported(self.run_operator)
        self.assertEqual(result, {'FINISHED'})
        self.assertIn("Passed over 2 selected objects that are not a mesh: empty, rig", report)
        self.assert_keys(head, expected_keys(source, head), exact=True)

    def test_the_report_tells_what_did_not_move_and_what_was_kept(self):
        def faceless_beside_a_garment():
            select(source_with_keys(), [add_mesh("dots", [(0, 0, 0), (1, 0, 0)], []),
                                        wavy_grid("head", 7, (0, 0, 0.02), 2)])
            return {}, ["'dots' was left as it is: it has no faces",
                        "made 3 shape keys on 1 object"]

        def nothing_selected():
            head = wavy_grid("head", 7, (0, 0, 0.02), 2)
            head.data.vertices.foreach_set("select", np.zeros(len(head.data.vertices), bool))
            select(source_with_keys(), [head, wavy_grid("hat", 5, (0, 0, 0.02), 3)])
            return dict(selected_only=True), ["'head' was left as it is: none of its vertices "
                                              "is selected"]

        def beyond_max_distance():
            select(source_with_keys(), [wavy_grid("head", 7, (0, 0, 0.5), 2)])
            return dict(method="surface", max_distance=0.1), ["No vertex of 'head' is within"]

        def backups():
            head = wavy_grid("head", 7, (0, 0, 0.02), 2)
            add_key(head, "blink", vectors(head.data.vertices))
            select(source_with_keys(), [head])
            return {}, ["made 3 shape keys on 1 object; kept 1 existing key as #blink1 on head"]

        for case in (faceless_beside_a_garment, nothing_selected, beyond_max_distance, backups):
            with self.subTest(case.__name__):
                fresh_scene()
                options, expected = case()
                result, report = reported(lambda: self.run_operator(**options))
                self.assertEqual(result, {'FINISHED'})
                for text in expected:
                    self.assertIn(text, report)

    def test_the_source_as_shown_takes_its_modifiers(self):
        points, faces = wavy_grid_shape(12, (0, 0, 0), 5)
        half = np.array([face for face in faces if min(points[list(face), 0]) >= -0.05])
        kept, half = np.unique(half, return_inverse=True)
        points = points[kept]
        source = add_mesh("half", points, half.reshape(-1, 4))
        source.modifiers.new("mirror", 'MIRROR')
        add_key(source, "bulge", points + (points[:, 0:1] > 0.3) * np.array([0, 0, 0.2]))
        head = wavy_grid("head", 9, (0.01, 0.02, 0.05), 4)
        # What Blender shows of the Source, and of its key at 1.
        shown = []
        for value in (0.0, 1.0):
            source.data.shape_keys.key_blocks["bulge"].value = value
            evaluated = source.evaluated_get(bpy.context.evaluated_depsgraph_get())
            shown.append(vectors(evaluated.to_mesh().vertices))
            evaluated.to_mesh_clear()
        source.data.shape_keys.key_blocks["bulge"].value = 0.0
        base = vectors(head.data.vertices)
        want = base + reference.transfer(shown[0], [shown[1] - shown[0]], base)[0]
        for as_shown in (False, True):
            with self.subTest(as_shown=as_shown):
                select(source, [head])
                _, report = reported(lambda: self.run_operator(as_shown=as_shown,
                                                               keep_backup=False))
                self.assertEqual("'half' has modifiers that move its vertices" in report,
                                 not as_shown)
                got = vectors(head.data.shape_keys.key_blocks["bulge"].data)
                self.assertEqual(np.abs(got - want).max() < 1e-6, as_shown)
        self.assertIsNone(source.data.shape_keys.key_blocks.get("palisor shown"))

    def test_the_dialog_shows_an_angle_and_the_menu_a_separator(self):
        properties = bpy.ops.object.palisor_transfer_shape_keys.get_rna_type().properties
        self.assertEqual(properties["max_angle"].subtype, 'ANGLE')
        self.assertAlmostEqual(properties["max_angle"].default, math.pi, places=6)
        drawn = []

        class Layout:
            def separator(self):
                drawn.append("separator")

            def operator(self, name):
                drawn.append(name)

        menu = type("Menu", (), {"layout": Layout()})()
        bpy.types.VIEW3D_MT_object._dyn_ui_initialize()[-1](menu, bpy.context)
        self.assertEqual(drawn[-3:], ["separator", "object.palisor_transfer_shape_keys",
                                     "object.palisor_transfer_skin_weights"])

    def test_driven_keys_follow_the_source_and_a_users_driver_stays(self):
        source = source_with_keys()
        head = wavy_grid("head", 7, (0, 0, 0.02), 2)
        select(source, [head])
        for _ in range(2):
            self.run_operator(drive_keys=True)
        drivers = head.data.shape_keys.animation_data.drivers
        drivers.remove(drivers.find('key_blocks["frown"].value'))
        users = head.data.shape_keys.key_blocks["frown"].driver_add("value").driver
        users.type, users.expression = 'SCRIPTED', "0.25"
        _, report = reported(lambda: self.run_operator(drive_keys=True, keep_backup=False))
        self.assertIn("The key 'frown' of 'head' keeps the driver it had", report)
        for name, value in (("smile", 0.7), ("blink", 0.3), ("frown", 0.9)):
            source.data.shape_keys.key_blocks[name].value = value
        bpy.context.evaluated_depsgraph_get()
        self.assertEqual([(key.name, round(key.value, 5))
                          for key in head.data.shape_keys.key_blocks],
                         [("Basis", 0), ("#smile1", 0), ("#blink1", 0), ("#frown1", 0),
                          ("smile", 0.7), ("blink", 0.3), ("frown", 0.25)])
        self.assertEqual(sorted(curve.data_path for curve in drivers),
                         ['key_blocks["blink"].value', 'key_blocks["frown"].value',
                          'key_blocks["smile"].value'])

    def test_a_vertex_group_limits_and_weighs_the_destinations_motion(self):
        source = source_with_keys()
        head = wavy_grid("head", 9, (0.01, 0.02, 0.03), 4)
        weights = np.random.default_rng(5).choice([0.0, 0.5, 1.0], len(head.data.vertices))
        group = head.vertex_groups.new(name="chest")
        for weight in (0.5, 1.0):
            group.add(np.flatnonzero(weights == weight).tolist(), weight, 'REPLACE')
        select(source, [head])
        self.run_operator(region="chest")
        blocks = source.data.shape_keys.key_blocks
        rest, base = vectors(blocks["Basis"].data), vectors(head.data.vertices)
        moved = reference.transfer(rest, [vectors(blocks[name].data) - rest for name in KEYS], base)
        for name, displacement in zip(KEYS, moved):
            want = base + displacement * weights[:, None].astype(F)
            got = vectors(head.data.shape_keys.key_blocks[name].data)
            self.assertTrue(bits_equal(got, want), name)


def rigged(source):
    """An armature of two bones, "low" and "high", deforming `source`, whose groups of those names
    weigh its vertices by height; the armature."""
    armature = bpy.data.objects.new("rig", bpy.data.armatures.new("rig"))
    bpy.context.scene.collection.objects.link(armature)
    select(armature, [])
    bpy.ops.object.mode_set(mode='EDIT')
    for name, head, tail in (("low", (0, 0, -1), (0, 0, 0)), ("high", (0, 0, 0), (0, 0, 1))):
        bone = armature.data.edit_bones.new(name)
        bone.head, bone.tail = head, tail
    bpy.ops.object.mode_set(mode='OBJECT')
    heights = vectors(source.data.vertices)[:, 1]
    high = np.clip((heights + 1) / 2, 0, 1)
    for name, weights in (("low", 1 - high), ("high", high)):
        group = source.vertex_groups.new(name=name)
        for vertex, weight in enumerate(weights.tolist()):
            group.add([vertex], weight, 'REPLACE')
    source.modifiers.new(name="rig", type='ARMATURE').object = armature
    return armature


def triangles_of(obj):
    obj.data.calc_loop_triangles()
    corners = np.empty(len(obj.data.loop_triangles) * 3, np.uint32)
    obj.data.loop_triangles.foreach_get("vertices", corners)
    return corners.reshape(-1, 3)


def group_weights(obj, names):
    """Each vertex's weight in each of the groups `names`, (V, len(names))."""
    weights = np.zeros((len(obj.data.vertices), len(names)), F)
    index = {obj.vertex_groups[name].index: k for k, name in enumerate(names)
             if name in obj.vertex_groups}
    for vertex in obj.data.vertices:
        for element in vertex.groups:
            if element.group in index:
                weights[vertex.index, index[element.group]] = element.weight
    return weights


class SkinWeightsTest(unittest.TestCase):
    def setUp(self):
        fresh_scene()

    def test_each_method_gives_the_libraries_weights_and_the_armature(self):
        import palisor
        for method in ("robust", "surface", "nearest"):
            with self.subTest(method=method):
                fresh_scene()
                source = wavy_grid("body", 12, (0, 0, 0), 1)
                armature = rigged(source)
                cloth = wavy_grid("cloth", 9, (0.01, 0.02, 0.05), 4, rotation=(0, 0, 0.3))
                select(source, [cloth])
                result = bpy.ops.object.palisor_transfer_skin_weights(
                    'EXEC_DEFAULT', method=method, max_influences=2)
                self.assertEqual(result, {'FINISHED'})
                self.assertEqual([m.object for m in cloth.modifiers if m.type == 'ARMATURE'],
                                 [armature])
                got = group_weights(cloth, ["low", "high"])
                np.testing.assert_allclose(got.sum(axis=1), 1, atol=1e-6)
                joints, weights = palisor.transfer_weights(
                    world(source, vectors(source.data.vertices)),
                    np.tile([0, 1], (len(source.data.vertices), 1)),
                    group_weights(source, ["low", "high"]), 2,
                    world(cloth, vectors(cloth.data.vertices)),
                    source_triangles=triangles_of(source), destination_triangles=triangles_of(cloth),
                    method=method, max_influences=2)
                want = np.zeros_like(got)
                np.put_along_axis(want, joints.astype(np.int64), weights, axis=1)
                np.testing.assert_allclose(got, want, atol=4e-6)

    def test_wrong_use_is_refused(self):
        source = wavy_grid("body", 8, (0, 0, 0), 1)
        cloth = wavy_grid("cloth", 6, (0, 0, 0.05), 2)
        select(source, [cloth])
        self.assertFalse(bpy.ops.object.palisor_transfer_skin_weights.poll())
        rigged(source)
        for group in list(source.vertex_groups):
            source.vertex_groups.remove(group)
        select(source, [cloth])
        with self.assertRaises(RuntimeError) as raised:
            bpy.ops.object.palisor_transfer_skin_weights('EXEC_DEFAULT')
        self.assertIn("named after a bone", str(raised.exception))
        self.assertEqual(len(cloth.vertex_groups), 0)


def install_addon():
    bpy.ops.preferences.addon_install(filepath=ADDON_ZIP, overwrite=True)
    enable_addon()


if __name__ == "__main__":
    install_addon()
    outcome = unittest.main(argv=["addon_test"], exit=False).result
    sys.exit(0 if outcome.wasSuccessful() and outcome.testsRun > 0 else 1)
