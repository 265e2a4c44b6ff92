"""The pure-Python module `palisor` against the independent reference, and its refusals.
Run with the system's Python and numpy; PALISOR_TRANSFER_LIBRARY names the built library."""
import _ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "blender"))
sys.path.insert(0, os.path.dirname(__file__))

import palisor  # noqa: E402
import reference  # noqa: E402

F = np.float32


def same_bits(a, b):
    return a.shape == b.shape and np.array_equal(a.view(np.uint32), b.view(np.uint32))


def grid(side):
    """A flat grid: many equal distances, so that ties decide."""
    u, v = np.meshgrid(np.arange(side, dtype=F), np.arange(side, dtype=F))
    return np.stack([u.ravel(), v.ravel(), np.zeros(side * side, F)], axis=1)


def sphere(rings, segments, radius, centre=(0, 0, 0)):
    """A closed latitude-longitude sphere: (positions, triangles), faces outward."""
    theta = np.linspace(0, np.pi, rings + 1)[1:-1]
    phi = np.linspace(0, 2 * np.pi, segments, endpoint=False)
    t, p = np.meshgrid(theta, phi, indexing="ij")
    ring = np.stack([np.sin(t) * np.cos(p), np.sin(t) * np.sin(p), np.cos(t)], -1).reshape(-1, 3)
    points = np.vstack([[0, 0, 1], ring, [0, 0, -1]]) * radius + centre
    last = len(points) - 1
    triangles = []
    for s in range(segments):
        n = (s + 1) % segments
        triangles += [(0, 1 + s, 1 + n), (last, last - segments + n, last - segments + s)]
        for r in range(rings - 2):
            a, b = 1 + r * segments + s, 1 + r * segments + n
            triangles += [(a, a + segments, b), (b, a + segments, b + segments)]
    return points.astype(F), np.array(triangles)


def joined(*meshes):
    """One mesh of several parts: positions, triangles, and each vertex's part."""
    offsets = np.cumsum([0] + [len(points) for points, _ in meshes])
    return (np.vstack([points for points, _ in meshes]),
            np.vstack([triangles + offset for (_, triangles), offset in zip(meshes, offsets)]),
            np.repeat(np.arange(len(meshes)), np.diff(offsets)))


def rotation(axis, angle):
    x, y, z = np.asarray(axis, float) / np.linalg.norm(axis)
    k = np.array([[0, -z, y], [z, 0, -x], [-y, x, 0]])
    return np.identity(3) + np.sin(angle) * k + (1 - np.cos(angle)) * k @ k


class SurfaceMethodsTest(unittest.TestCase):
    """The surface methods through the module, on a sphere whose motion is known: the
    Destination is a shell around it and a sphere that cuts through it."""

    def setUp(self):
        self.source, self.source_triangles = sphere(12, 16, 1.0)
        shell, self.cut = sphere(9, 11, 1.2), sphere(10, 13, 1.0, (0.3, 0.1, 0))
        self.destination, self.destination_triangles, self.part = joined(shell, self.cut)

    def run_method(self, method, moved, **options):
        options.setdefault("destination_triangles", self.destination_triangles)
        return palisor.transfer(self.source, [moved - self.source], self.destination,
                                method=method, source_triangles=self.source_triangles,
                                return_marks=True, **options)

    def test_carry_moves_the_destination_rigidly_with_a_rigid_source(self):
        turn, shift = rotation((1, 2, 0.5), 0.7), np.array([0.3, -0.2, 0.5])
        moved, marks = self.run_method("carry", (self.source @ turn.T + shift).astype(F))
        want = self.destination @ turn.T + shift - self.destination
        self.assertLess(np.abs(moved[0] - want).max(), 1e-4)
        self.assertTrue(np.all(marks == palisor.MARK_MATCHED))

    def test_surface_moves_every_vertex_by_a_translation_whatever_the_limits(self):
        shift = np.array([0.02, -0.03, 0.01], F)
        inside_out = self.destination_triangles.copy()
        on_shell = self.part[inside_out[:, 0]] == 0
        inside_out[on_shell] = inside_out[on_shell][:, ::-1]
        shell, cut = self.part == 0, self.part == 1
        cases = {  # options, the marks on the shell, those on the cutting sphere
            "no limits": (dict(), {palisor.MARK_MATCHED}, {palisor.MARK_MATCHED}),
            "a distance": (dict(max_distance=0.1), {palisor.MARK_RIGID},
                           {palisor.MARK_MATCHED, palisor.MARK_FILLED}),
            "an angle, the shell turned inside out": (
                dict(max_angle=90, destination_triangles=inside_out), {palisor.MARK_RIGID},
                {palisor.MARK_MATCHED}),
        }
        for name, (options, shell_marks, cut_marks) in cases.items():
            with self.subTest(name):
                moved, marks = self.run_method("surface", self.source + shift, **options)
                self.assertLess(np.abs(moved[0] - shift).max(), 1e-5)
                self.assertEqual(set(marks[shell].tolist()), shell_marks)
                self.assertEqual(set(marks[cut].tolist()), cut_marks)

    def test_keep_outside_only_undoes_what_the_morph_did(self):
        # The shell 0.2 over the Source keeps its distance as the Source grows: nothing to undo.
        grown = (self.source * F(1.1)).astype(F)
        plain, _ = self.run_method("surface", grown)
        kept, marks = self.run_method("surface", grown, keep_outside=0.5)
        shell = self.part == 0
        self.assertFalse(np.any(marks[shell] & palisor.MARK_PUSHED))
        np.testing.assert_array_equal(kept[0][shell], plain[0][shell])
        # A target that moves nothing moves nothing.
        still, marks = self.run_method("surface", self.source.copy(), keep_outside=0.5)
        self.assertFalse(np.any(still[0]))
        self.assertFalse(np.any(marks & palisor.MARK_PUSHED))

    def test_refuses_what_the_surface_methods_cannot_take(self):
        cases = {
            "no Source triangles": (dict(source_triangles=None), "source_triangles are needed"),
            "no Destination triangles": (dict(destination_triangles=None),
                                         "destination_triangles are needed"),
            "pairs": (dict(source_triangles=self.source_triangles[:, :2]), "shape (n, 3)"),
            "floats": (dict(destination_triangles=self.destination_triangles * 1.0), "integer"),
            "an index too large": (dict(source_triangles=self.source_triangles + 1), "from 0 to"),
            "a negative distance": (dict(max_distance=-1), "max_distance is -1"),
            "a negative keep-outside distance": (dict(keep_outside=-0.1), "keep_outside is -0.1"),
        }
        for method in palisor.SURFACE_METHODS:
            for name, (changes, expected) in cases.items():
                with self.subTest(method=method, case=name):
                    arguments = dict(source_triangles=self.source_triangles,
                                     destination_triangles=self.destination_triangles)
                    arguments.update(changes)
                    with self.assertRaises(palisor.PalisorError) as raised:
                        palisor.transfer(self.source, [self.source], self.destination,
                                         method=method, **arguments)
                    self.assertIn(expected, str(raised.exception))


class TransferTest(unittest.TestCase):
    def test_matches_the_reference_bit_for_bit(self):
        rng = np.random.default_rng(7)
        source = rng.random((150, 3), dtype=F)
        cases = {
            "random": dict(source=source, destination=rng.random((200, 3), dtype=F)),
            "ties on a grid": dict(source=grid(8), destination=grid(15) * F(0.5)),
            "exact hits": dict(source=source, destination=source[::3].copy()),
            "masks": dict(source=source, destination=rng.random((120, 3), dtype=F),
                          used=rng.random(150) < 0.5, mask=rng.random(120) < 0.7),
            "a short target": dict(source=source, destination=rng.random((60, 3), dtype=F),
                                   short=True),
        }
        for name, case in cases.items():
            with self.subTest(name):
                count = len(case["source"])
                targets = [rng.standard_normal((count, 3)).astype(F) for _ in range(3)]
                if case.get("short"):
                    targets[1] = targets[1][: count // 2]
                for threads in (1, 3):
                    got = palisor.transfer(case["source"], targets, case["destination"],
                                           source_used=case.get("used"),
                                           destination_mask=case.get("mask"), threads=threads)
                    want = reference.transfer(case["source"], targets, case["destination"],
                                              case.get("used"), case.get("mask"))
                    self.assertTrue(same_bits(got, want), "%s, %d threads" % (name, threads))

    def test_refuses_what_it_cannot_take(self):
        points = np.zeros((4, 3), F)
        cases = {
            "not triples": (dict(source_positions=np.zeros((4, 2), F)), "shape"),
            "a mask of the wrong length": (dict(destination_mask=np.ones(3)), "one value"),
            "an unknown method": (dict(method="closest"), "unknown method"),
            "no targets": (dict(target_displacements=[]), "target"),
            "a target longer than the Source": (dict(target_displacements=[np.zeros((5, 3), F)]),
                                                "5 rows, more than the Source's 4 vertices"),
        }
        for name, (changes, expected) in cases.items():
            with self.subTest(name):
                arguments = dict(source_positions=points, target_displacements=[points],
                                 destination_positions=points)
                arguments.update(changes)
                with self.assertRaises(palisor.PalisorError) as raised:
                    palisor.transfer(arguments.pop("source_positions"),
                                     arguments.pop("target_displacements"),
                                     arguments.pop("destination_positions"), **arguments)
                self.assertIn(expected, str(raised.exception))


class LoadingTest(unittest.TestCase):
    def test_another_library_is_named_as_not_palisors(self):
        saved, palisor.transfer._library = os.environ["PALISOR_TRANSFER_LIBRARY"], None
        os.environ["PALISOR_TRANSFER_LIBRARY"] = _ctypes.__file__  # a shared library, not ours
        try:
            with self.assertRaises(palisor.PalisorError) as raised:
                palisor.library_version()
            self.assertIn("is not Palisor's transfer library", str(raised.exception))
        finally:
            os.environ["PALISOR_TRANSFER_LIBRARY"], palisor.transfer._library = saved, None

    def test_the_documents_example_runs_as_written(self):
        with open(os.path.join(ROOT, "docs", "blender.md"), encoding="utf-8") as file:
            page = file.read()
        example = page.split("<!-- the module's example -->")[1].split("```python")[1]
        example = example.split("```")[0]
        with tempfile.TemporaryDirectory() as folder:
            shutil.copytree(os.path.join(ROOT, "blender", "palisor"),
                            os.path.join(folder, "palisor"))
            script = os.path.join(folder, "example.py")
            with open(script, "w", encoding="utf-8") as file:
                file.write("import sys\nsys.path.insert(0, %r)\n" % folder + example)
            run = subprocess.run([sys.executable, script], cwd=folder, capture_output=True,
                                 text=True)
        self.assertEqual(run.returncode, 0, run.stderr)


class TransferWeightsTest(unittest.TestCase):
    def setUp(self):
        self.body, self.body_faces = sphere(9, 12, 1.0)
        self.shell, self.shell_faces = sphere(7, 10, 1.1)
        # Turned, so that no shell vertex finds body vertices at equal distances.
        self.shell = (self.shell @ rotation((1, 2, 0.5), 0.7).T).astype(F)
        z = self.body[:, 2]
        self.joints = np.stack([np.where(z > 0, 1, 0), np.full(len(z), 2)], axis=1)
        self.weights = np.stack([1.0 + z, 0.5 * (1.0 - z)], axis=1).astype(F)

    def test_nearest_is_the_three_nearest_inverse_square_blend(self):
        joints, weights = palisor.transfer_weights(self.body, self.joints, self.weights, 3,
                                                   self.shell, method="nearest", max_influences=3)
        shares = np.zeros((len(self.body), 3))
        for k in range(2):
            np.add.at(shares, (np.arange(len(self.body)), self.joints[:, k]), self.weights[:, k])
        shares /= shares.sum(axis=1, keepdims=True)
        for v, point in enumerate(self.shell):
            d = ((self.body.astype(float) - point) ** 2).sum(axis=1)
            nearest = np.argsort(d, kind="stable")[:3]
            expected = (shares[nearest] / d[nearest, None]).sum(axis=0)
            stored = np.zeros(3)
            np.add.at(stored, joints[v], weights[v])
            np.testing.assert_allclose(stored, expected / expected.sum(), atol=2e-6)

    def test_robust_rows_are_sorted_and_sum_to_exactly_one(self):
        joints, weights, marks = palisor.transfer_weights(
            self.body, self.joints, self.weights, 3, self.shell, source_triangles=self.body_faces,
            destination_triangles=self.shell_faces, max_angle=30, smoothing_passes=2,
            return_marks=True)
        self.assertEqual(weights.shape, (len(self.shell), 4))
        self.assertTrue(np.all(weights.sum(axis=1, dtype=F) == F(1)))
        self.assertTrue(np.all(np.diff(weights, axis=1) <= 0))
        self.assertTrue(np.all(marks != 0))

    def test_refuses_a_joint_beyond_the_count(self):
        with self.assertRaises(palisor.PalisorError) as raised:
            palisor.transfer_weights(self.body, self.joints, self.weights, 2, self.shell,
                                     method="nearest")
        self.assertIn("joint 2", str(raised.exception))


if __name__ == "__main__":
    unittest.main()
