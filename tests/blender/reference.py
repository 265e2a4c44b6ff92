"""An independent reference for the plug-in's rule, written plainly over numpy in 32-bit floats:
every Destination vertex against every used Source vertex, no search structure."""
import numpy as np

F = np.float32


def nearest_three(source, used, point):
    """The three nearest used Source vertices of `point`: (index, squared distance), nearest first;
    at equal distance the higher index first."""
    indices = np.flatnonzero(used)
    d = source[indices] - point
    squared = (d[:, 0] * d[:, 0] + d[:, 1] * d[:, 1]) + d[:, 2] * d[:, 2]
    order = np.lexsort((-indices, squared))[:3]
    return [(int(indices[k]), F(squared[k])) for k in order]


def blend(entries, displacement):
    if not entries:
        return np.zeros(3, F)
    weight_sum = F(0)
    total = np.zeros(3, F)
    for index, squared in entries:
        if squared == 0:
            return displacement[index].copy()
        with np.errstate(divide='ignore', over='ignore'):
            weight = F(1) / squared
        if np.isinf(weight):
            return displacement[index].copy()
        weight_sum = F(weight_sum + weight)
        total = (total + displacement[index] * weight).astype(F)
    return (total / weight_sum).astype(F)


def transfer(source, displacements, destination, used=None, mask=None):
    """(T, D, 3): each target's displacement of each Destination vertex; unmasked vertices and
    targets' missing rows give zero."""
    source = np.asarray(source, F)
    destination = np.asarray(destination, F)
    used = np.ones(len(source), bool) if used is None else np.asarray(used, bool)
    mask = np.ones(len(destination), bool) if mask is None else np.asarray(mask, bool)
    padded = []
    for target in displacements:
        full = np.zeros((len(source), 3), F)
        full[:len(target)] = target
        padded.append(full)
    result = np.zeros((len(padded), len(destination), 3), F)
    for v in np.flatnonzero(mask):
        entries = nearest_three(source, used, destination[v])
        for t, target in enumerate(padded):
            result[t, v] = blend(entries, target)
    return result
