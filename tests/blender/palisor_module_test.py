"""The pure-Python module `palisor` against the independent reference, and its refusals.
Run with the system's Python and numpy; PALISOR_TRANSFER_LIBRARY names the built library."""
import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "blender"))
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


if __name__ == "__main__":
    unittest.main()
