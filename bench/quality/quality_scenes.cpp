#include "quality/quality_scenes.h"

#include "quality/contact_scenes.h"
#include "quality/rigid_scene.h"

namespace {

// A torso: an upright ellipsoid, 0.32 high on each side of its centre.
SmoothPart Torso() {
  SmoothPart torso;
  torso.radii = {0.16, 0.12, 0.32};
  return torso;
}

constexpr ParameterGrid kTorsoGrid{64, 32, 0.0, 1.0, 0.0, 0.0};

// A belly pushed forward, then the whole torso widened.
Morph BellyAndWidth() {
  return Then(Bulge({0.16, 0.0, 0.05}, {1.0, 0.0, 0.0}, 0.03, 0.1),
              Scale({0.0, 0.0, 0.0}, {1.08, 1.08, 1.0}));
}

// A belly pushed forward, then the whole torso twisted by `rate` radians per unit of height.
Morph BellyAndTwist(double rate) {
  return Then(Bulge({0.16, 0.0, 0.05}, {1.0, 0.0, 0.0}, 0.03, 0.1), Twist({0.0, 0.0, 0.0}, rate));
}

QualityScene Shirt(const char* name, const char* description, const ParameterGrid& grid) {
  SceneBuilder builder(name, description, 0.01);
  const int torso = builder.AddBodyPart(Torso(), kTorsoGrid, BellyAndWidth());
  builder.AddGarment(torso, grid);
  return builder.Finish();
}

QualityScene ThinTwist() {
  SceneBuilder builder("thin-twist",
                       "shirt 0.002 over the torso, grid as fine as the body's; belly and twist",
                       0.002);
  const int torso = builder.AddBodyPart(Torso(), kTorsoGrid, BellyAndTwist(1.2));
  builder.AddGarment(torso, {72, 22, 0.2, 0.85, 0.4, 0.05});
  return builder.Finish();
}

// Two legs 0.03 apart; the right one swells and bends outwards, the left one stays still.
QualityScene Trousers() {
  SceneBuilder builder("trousers",
                       "trouser legs 0.01 over two legs 0.03 apart; only the right moves", 0.01);
  SmoothPart leg;
  leg.shape = SmoothPart::Shape::kCapsule;
  leg.radii = {0.07, 0.07, 0.07};
  leg.halfLength = 0.3;
  leg.center = {-0.085, 0.0, 0.0};
  const ParameterGrid legGrid{32, 40, 0.0, 1.0, 0.0, 0.0};
  const int left = builder.AddBodyPart(leg, legGrid, [](const Vector3d& x) { return x; });
  leg.center = {0.085, 0.0, 0.0};
  const int right =
      builder.AddBodyPart(leg, legGrid, SwellAndBend(leg.center, 0.15, 0.12, 0.06, 0.35));
  const ParameterGrid tube{40, 34, 0.18, 0.86, 0.5, 0.02};
  builder.AddGarment(left, tube);
  builder.AddGarment(right, tube);
  builder.MarkCrossTalk(left, right, 0.03);
  return builder.Finish();
}

// Two lips 0.0025 apart, facing each other; the jaw opens and the lower lip pouts.
QualityScene Lips() {
  SceneBuilder builder("lips", "lip layers 0.001 over two facing lips; only the lower moves",
                       0.001);
  SmoothPart lip;
  lip.radii = {0.028, 0.010, 0.007};
  lip.center = {0.0, 0.0, 0.0085};
  const ParameterGrid lipGrid{48, 16, 0.0, 1.0, 0.0, 0.0};
  const int upper = builder.AddBodyPart(lip, lipGrid, [](const Vector3d& x) { return x; });
  lip.radii = {0.026, 0.011, 0.0075};
  lip.center = {0.0, 0.001, -0.0085};
  const int lower = builder.AddBodyPart(
      lip, lipGrid, Then(Scale(lip.center, {1.0, 1.1, 1.05}), Hinge({0.0, -0.08, 0.0}, -0.12)));
  const ParameterGrid layer{56, 20, 0.0, 1.0, 0.5, 0.1};
  builder.AddGarment(upper, layer);
  builder.AddGarment(lower, layer);
  builder.MarkCrossTalk(upper, lower, 0.003);
  return builder.Finish();
}

// A bead from 0.01 to 0.02 over the flank of the belly, which swells and twists.
QualityScene Accessory() {
  SceneBuilder builder("accessory", "bead 0.01 to 0.02 over the belly's flank; belly and twist",
                       0.01);
  const int torso = builder.AddBodyPart(Torso(), kTorsoGrid, BellyAndTwist(0.8));
  builder.AddAccessory(torso, 0.0, 0.622, {0.015, 0.01, 0.005}, 0.015);
  return builder.Finish();
}

}  // namespace

std::vector<std::string> QualitySceneNames() {
  return {"dense",     "coarse", "thin-twist", "trousers", "lips",
          "accessory", "seams",  "ball-press", "unmoved",  "rigid-turn"};
}

QualityScene MakeQualityScene(const std::string& name) {
  if (name == "dense") {
    return Shirt("dense",
                 "shirt 0.01 over the torso, 4x the body's vertex density; belly and width",
                 {128, 42, 0.2, 0.85, 0.5, 0.03});
  }
  if (name == "coarse") {
    return Shirt("coarse",
                 "shirt 0.01 over the torso, 1/4 of the body's vertex density; belly and width",
                 {32, 10, 0.2, 0.85, 0.3, 0.03});
  }
  if (name == "thin-twist") return ThinTwist();
  if (name == "trousers") return Trousers();
  if (name == "lips") return Lips();
  if (name == "accessory") return Accessory();
  if (name == "seams") return SeamsScene();
  if (name == "ball-press") return BallPressScene();
  if (name == "unmoved") return UnmovedScene();
  if (name == "rigid-turn") return RigidTurnScene();
  return {};
}
