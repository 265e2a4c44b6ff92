// Palisor's own transfers, run on a quality scene: each gives one displacement per garment vertex
// for the scene's one morph.
#pragma once

#include <vector>

#include "quality/quality_scene.h"
#include "surface_transfer/surface_methods.h"

// The plug-in's rule: TransferDisplacements (transfer/transfer.h) on one thread.
std::vector<Vector3> PalisorNearest(const QualityScene& scene);

// TransferAlongSurface (transfer/surface_methods.h) with these options, on one thread. Should it
// refuse the scene, every delta is NaN (and the reason is printed).
std::vector<Vector3> PalisorAlongSurface(const QualityScene& scene, SurfaceTransferOptions options);
