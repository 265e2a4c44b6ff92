// The rules that give a skinning scene's garment its weights, as dense floats (kSkinningJoints per
// garment vertex), and the floor blend skinning leaves whatever the rule:
//
//   nearest vertex copy (peer): the weights of the nearest body vertex.
//   closest-face barycentric (peer): the weights at the closest point of the body's triangles,
//       blended from the triangle's corners.
//   inpainting as published (peer, Abdrashitov et al. 2023): the closest point's weights where it
//       lies within 5% of the garment's bounding box diagonal and its normal within 30 degrees of
//       the garment vertex's; the others solved for by minimising the squared cotangent Laplacian
//       (over the lumped Voronoi mass) with the matched ones held, clamped to [0, 1] and scaled to
//       sum 1.
//   floor: each vertex's best weights over the scene's poses: non-negative, summing to 1, with
//       the least squared distance of the skinned vertex from its truth summed over the poses,
//       found exactly by trying every set of joints.
//   Palisor's: TransferWeights with the options given.
#pragma once

#include <vector>

#include "quality/skinning_scenes.h"
#include "weight_transfer/weight_transfer.h"

std::vector<float> NearestVertexCopy(const SkinningScene& scene);
std::vector<float> ClosestFaceBarycentric(const SkinningScene& scene);
std::vector<float> PublishedInpainting(const SkinningScene& scene);
std::vector<float> FloorWeights(const SkinningScene& scene);
std::vector<float> PalisorWeights(const SkinningScene& scene, const WeightTransferOptions& options);
