// Skinning scenes of known truth: a body of five bones (torso, upper and lower arm, thigh, shin)
// with smooth weights, posed by linear blend skinning with bends of 30 to 90 degrees, and a
// garment laid over it as an offset shell (a sleeve over the elbow, trousers over the hip and knee,
// a tight top). The truth of a garment vertex in a pose is the shell over the posed body: the
// posed point of the body under it plus the garment's offset along the posed normal. A weight
// transfer is judged by posing the garment with its weights.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quality/morph.h"
#include "quality/quality_scene.h"

constexpr std::size_t kSkinningJoints = 5;

// One pose: where each bone takes a rest point.
struct SkinningPose {
  std::string name;
  std::vector<Morph> bones;  // kSkinningJoints
};

struct SkinningScene {
  std::string name;
  std::string description;
  std::vector<SkinningPose> poses;
  // One QualityScene per pose: the same body and garment at rest, the body posed, the garment's
  // truth in that pose.
  std::vector<QualityScene> posed;
  // The body's weights, kSkinningJoints slots per vertex (joint j in slot j).
  std::vector<uint32_t> bodyJoints;
  std::vector<float> bodyWeights;
  // The body's weights at the point under each garment vertex (kSkinningJoints per vertex): what
  // a rule that found that point exactly would copy.
  std::vector<float> underWeights;
};

std::vector<std::string> SkinningSceneNames();
SkinningScene MakeSkinningScene(const std::string& name);

// A point posed by blend skinning: the sum of weights[j] times bone j's motion of `rest`.
Vector3d Skinned(const SkinningPose& pose, const double* weights, const Vector3d& rest);
