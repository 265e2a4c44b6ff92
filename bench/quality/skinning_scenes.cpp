#include "quality/skinning_scenes.h"

#include <algorithm>
#include <cmath>

#include "quality/parameter_mesh.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

enum Bone { kTorso = 0, kUpperArm = 1, kLowerArm = 2, kThigh = 3, kShin = 4 };

// The joints, on the limbs' axes: the arm hangs beside the torso, the leg comes out of its base.
const Vector3d kShoulder{0.27, 0.0, 0.9};
const Vector3d kElbow{0.27, 0.0, 0.62};
const Vector3d kHip{0.1, 0.0, 0.05};
const Vector3d kKnee{0.1, 0.0, -0.35};
// Half the width over which the weights of two bones cross at a joint.
constexpr double kBlend = 0.08;

double SmoothStep(double x) {
  const double t = std::min(1.0, std::max(0.0, x));
  return t * t * (3.0 - 2.0 * t);
}

// The share, from 0 above the joint to 1 below it, that the lower bone takes at height z.
double Below(double z, double jointZ) {
  return SmoothStep((jointZ + kBlend - z) / (2.0 * kBlend));
}

enum class Part { kTorso, kArm, kLeg };

// The body's weights at a rest point of a part.
std::vector<double> WeightsAt(Part part, const Vector3d& x) {
  std::vector<double> w(kSkinningJoints, 0.0);
  if (part == Part::kArm) {
    const double lower = Below(x.z, kElbow.z), arm = Below(x.z, kShoulder.z);
    w[kLowerArm] = lower;
    w[kUpperArm] = arm - lower;
    w[kTorso] = 1.0 - arm;
  } else if (part == Part::kLeg) {
    const double shin = Below(x.z, kKnee.z), leg = Below(x.z, kHip.z);
    w[kShin] = shin;
    w[kThigh] = leg - shin;
    w[kTorso] = 1.0 - leg;
  } else {
    // The torso follows the arm near the shoulder and the thigh near the hip.
    const auto near = [&](const Vector3d& joint) {
      const double d = Length(x - joint) / 0.3;
      return d < 1.0 ? 0.5 * (1.0 - d) * (1.0 - d) : 0.0;
    };
    w[kUpperArm] = near(kShoulder);
    w[kThigh] = near(kHip);
    w[kTorso] = 1.0 - w[kUpperArm] - w[kThigh];
  }
  return w;
}

// Bends in radians about the x axis: shoulder, elbow, hip, knee.
SkinningPose Pose(const std::string& name, double shoulder, double elbow, double hip, double knee) {
  SkinningPose pose{name, {}};
  const Morph upper = Hinge(kShoulder, shoulder), thigh = Hinge(kHip, hip);
  pose.bones = {[](const Vector3d& x) { return x; }, upper, Then(Hinge(kElbow, elbow), upper),
                thigh, Then(Hinge(kKnee, knee), thigh)};
  return pose;
}

std::vector<SkinningPose> Poses() {
  const double degree = kPi / 180.0;
  return {Pose("bend 30", 10 * degree, 30 * degree, 10 * degree, -30 * degree),
          Pose("bend 60", 20 * degree, 60 * degree, 25 * degree, -60 * degree),
          Pose("bend 90", 30 * degree, 90 * degree, 40 * degree, -90 * degree)};
}

// The part's motion in a pose: its rest points skinned with its weights.
Morph PartMotion(const SkinningPose& pose, Part part) {
  return [pose, part](const Vector3d& x) {
    const std::vector<double> w = WeightsAt(part, x);
    return Skinned(pose, w.data(), x);
  };
}

SmoothPart Capsule(const Vector3d& center, double radius, double halfLength) {
  SmoothPart part;
  part.shape = SmoothPart::Shape::kCapsule;
  part.center = center;
  part.radii = {radius, radius, radius};
  part.halfLength = halfLength;
  return part;
}

struct Garment {
  const char* name;
  const char* description;
  double delta;
  Part over;
  ParameterGrid grid;
};

const Garment kGarments[] = {
    {"skin-sleeve",
     "sleeve 0.015 over the arm and elbow, 0.02 from the torso",
     0.015,
     Part::kArm,
     {40, 44, 0.2, 0.88, 0.37, 0.03}},
    {"skin-trousers",
     "trouser leg 0.01 over the hip and knee",
     0.01,
     Part::kLeg,
     {44, 52, 0.2, 0.78, 0.41, 0.02}},
    {"skin-top",
     "tight top 0.004 over the torso under the shoulder",
     0.004,
     Part::kTorso,
     {72, 30, 0.3, 0.8, 0.23, 0.01}},
};

const SmoothPart kShapes[] = {Capsule({0.0, 0.0, 0.5}, 0.2, 0.3),
                              Capsule({0.27, 0.0, 0.62}, 0.05, 0.3),
                              Capsule({0.1, 0.0, -0.3}, 0.08, 0.4)};

QualityScene PosedScene(const Garment& garment, const SkinningPose& pose) {
  SceneBuilder builder(garment.name, garment.description, garment.delta);
  const int torso =
      builder.AddBodyPart(kShapes[0], {64, 40, 0, 1, 0, 0}, PartMotion(pose, Part::kTorso));
  const int arm =
      builder.AddBodyPart(kShapes[1], {28, 64, 0, 1, 0, 0}, PartMotion(pose, Part::kArm));
  const int leg =
      builder.AddBodyPart(kShapes[2], {36, 72, 0, 1, 0, 0}, PartMotion(pose, Part::kLeg));
  const int parts[] = {torso, arm, leg};
  builder.AddGarment(parts[static_cast<int>(garment.over)], garment.grid);
  return builder.Finish();
}

void StoreBodyWeights(SkinningScene& scene) {
  const QualityScene& rest = scene.posed.front();
  const Part parts[] = {Part::kTorso, Part::kArm, Part::kLeg};
  for (std::size_t v = 0; v < rest.bodyRest.size(); ++v) {
    const Vector3& p = rest.bodyRest[v];
    const std::vector<double> w =
        WeightsAt(parts[rest.bodyPartOfVertex[v]], {double{p.x}, double{p.y}, double{p.z}});
    for (uint32_t j = 0; j < kSkinningJoints; ++j) {
      scene.bodyJoints.push_back(j);
      scene.bodyWeights.push_back(static_cast<float>(w[j]));
    }
  }
}

void StoreUnderWeights(const Garment& garment, SkinningScene& scene) {
  const ParameterMesh mesh = MeshParameters(garment.grid);
  const SmoothPart& shape = kShapes[static_cast<int>(garment.over)];
  for (std::size_t i = 0; i < mesh.u.size(); ++i) {
    const std::vector<double> w = WeightsAt(garment.over, PartPoint(shape, mesh.u[i], mesh.v[i]));
    for (const double weight : w) scene.underWeights.push_back(static_cast<float>(weight));
  }
}

}  // namespace

Vector3d Skinned(const SkinningPose& pose, const double* weights, const Vector3d& rest) {
  Vector3d sum;
  for (std::size_t j = 0; j < kSkinningJoints; ++j) {
    if (weights[j] != 0.0) sum = sum + weights[j] * pose.bones[j](rest);
  }
  return sum;
}

std::vector<std::string> SkinningSceneNames() {
  std::vector<std::string> names;
  for (const Garment& garment : kGarments) names.push_back(garment.name);
  return names;
}

SkinningScene MakeSkinningScene(const std::string& name) {
  SkinningScene scene;
  for (const Garment& garment : kGarments) {
    if (name != garment.name) continue;
    scene.name = garment.name;
    scene.description = garment.description;
    scene.poses = Poses();
    for (const SkinningPose& pose : scene.poses) scene.posed.push_back(PosedScene(garment, pose));
    StoreBodyWeights(scene);
    StoreUnderWeights(garment, scene);
  }
  return scene;
}
