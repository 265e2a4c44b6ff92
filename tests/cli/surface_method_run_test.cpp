// Whole runs of palisor-cli with the surface methods: the plug-in's run makes and names the morph
// objects, the method places their vertices. Checked against motions whose result is known
// exactly: a translation moves every vertex by itself, a rotation turns a shell with its Source,
// and an island out of reach moves rigidly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "cli_process.h"
#include "scene/obj/obj_reader.h"
#include "test_scenes.h"

namespace {

using palisor_scene::Scene;
using palisor_scene::SceneObject;

constexpr float kPi = 3.14159265f;

// A latitude-longitude sphere of `rings` x `segments` quads (triangles at the poles), closed.
TestMesh Sphere(const std::string& name, float radius, int rings, int segments, float turn) {
  TestMesh mesh;
  mesh.name = name;
  mesh.vertices.push_back({0, radius, 0});
  for (int r = 1; r < rings; ++r) {
    const float polar = kPi * static_cast<float>(r) / static_cast<float>(rings);
    for (int s = 0; s < segments; ++s) {
      const float around = turn + 2 * kPi * static_cast<float>(s) / static_cast<float>(segments);
      mesh.vertices.push_back({radius * std::sin(polar) * std::cos(around),
                               radius * std::cos(polar),
                               radius * std::sin(polar) * std::sin(around)});
    }
  }
  mesh.vertices.push_back({0, -radius, 0});
  const auto at = [segments](int ring, int s) { return 1 + (ring - 1) * segments + s % segments; };
  const int last = static_cast<int>(mesh.vertices.size()) - 1;
  for (int s = 0; s < segments; ++s) {
    mesh.faces.push_back({0, at(1, s + 1), at(1, s)});
    for (int r = 1; r + 1 < rings; ++r) {
      mesh.faces.push_back({at(r, s), at(r, s + 1), at(r + 1, s + 1), at(r + 1, s)});
    }
    mesh.faces.push_back({last, at(rings - 1, s), at(rings - 1, s + 1)});
  }
  return mesh;
}

// `mesh` turned by `angle` about the y axis, then shifted by `shift`.
TestMesh Moved(const std::string& name, const TestMesh& mesh, float angle, MQPoint shift) {
  TestMesh moved{name, {}, {}, {}};
  const float c = std::cos(angle), s = std::sin(angle);
  for (const MQPoint& p : mesh.vertices) {
    moved.vertices.push_back(
        {c * p.x + s * p.z + shift.x, p.y + shift.y, -s * p.x + c * p.z + shift.z});
  }
  return moved;
}

class SurfaceMethodRunTest : public ::testing::Test {
 protected:
  Scene Run(const std::vector<TestMesh>& meshes, std::vector<std::string> options, CliResult& run) {
    const std::string scene = folder.Write("scene.obj", ObjText(meshes));
    std::vector<std::string> arguments = {
        scene, "-o", folder.Path("out.obj").string(), "--select", "body", "--select", "shirt"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    run = RunCli(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    return palisor_scene::ReadObjText(folder.Read("out.obj"), "out.obj");
  }
  static const SceneObject& Named(const Scene& scene, const std::string& name) {
    for (const SceneObject& object : scene.objects) {
      if (object.name == name) return object;
    }
    ADD_FAILURE() << "no object " << name;
    return scene.objects.front();
  }
  static float Distance(const Vector3& a, const MQPoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
  }

  TestFolder folder;
  // The Source: a closed sphere; the Destination: a coarser shell around it, meshed apart.
  TestMesh body = Sphere("body", 1.0f, 16, 24, 0.0f);
  TestMesh shirt = Sphere("shirt", 1.05f, 9, 13, 0.3f);
};

// Both methods carry a translation of the whole Source to every moving vertex (to rounding), and
// with the Destination's selection only the selected vertices move, the others keep their bits.
TEST_F(SurfaceMethodRunTest, ATranslationMovesEveryMovingVertexByItself) {
  const MQPoint shift{0.25f, -0.5f, 0.125f};
  const TestMesh along = Moved("elem:along-body", body, 0.0f, shift);
  for (const char* method : {"surface", "carry"}) {
    for (const bool selectedOnly : {false, true}) {
      SCOPED_TRACE(std::string(method) + (selectedOnly ? " selected" : ""));
      std::vector<std::string> options = {"--method", method};
      if (selectedOnly) {
        options.insert(options.end(),
                       {"--selected-vertices-only", "--select-vertices", "shirt=0-20"});
      }
      CliResult run;
      const Scene out = Run({body, along, shirt}, options, run);
      const SceneObject& morph = Named(out, "elem:along-shirt");
      ASSERT_EQ(morph.vertices.size(), shirt.vertices.size());
      for (std::size_t v = 0; v < shirt.vertices.size(); ++v) {
        const MQPoint& rest = shirt.vertices[v];
        if (selectedOnly && v > 20) {
          EXPECT_EQ(std::memcmp(&morph.vertices[v], &rest, sizeof rest), 0) << v;
          continue;
        }
        const MQPoint expected{rest.x + shift.x, rest.y + shift.y, rest.z + shift.z};
        EXPECT_LT(Distance(morph.vertices[v], expected), 2e-6f) << v;
      }
      EXPECT_NE(run.out.find("Method          " + std::string(method) + "\n"), std::string::npos)
          << run.out;
      const std::string matched = selectedOnly ? "21" : std::to_string(shirt.vertices.size());
      EXPECT_NE(run.out.find("Matched         " + matched + " vertices on the Source's surface\n"),
                std::string::npos)
          << run.out;
    }
  }
}

// A turning Source: carry turns the shell with it rigidly; the closest-point blend alone slides
// the shell's offset instead (so the methods are told apart), and the plug-in's rule stays the
// default.
TEST_F(SurfaceMethodRunTest, CarryTurnsAShellWithItsSource) {
  const float angle = 0.6f;
  const MQPoint shift{0.1f, 0.2f, -0.3f};
  const TestMesh turned = Moved("elem:turn-body", body, angle, shift);
  const TestMesh expected = Moved("expected", shirt, angle, shift);
  float largestError[2] = {0, 0};
  const char* methods[2] = {"carry", "surface"};
  for (int m = 0; m < 2; ++m) {
    CliResult run;
    const Scene out = Run({body, turned, shirt}, {"--method", methods[m]}, run);
    const SceneObject& morph = Named(out, "elem:turn-shirt");
    for (std::size_t v = 0; v < shirt.vertices.size(); ++v) {
      largestError[m] =
          std::max(largestError[m], Distance(morph.vertices[v], expected.vertices[v]));
    }
  }
  EXPECT_LT(largestError[0], 1e-5f);
  EXPECT_GT(largestError[1], 1e-3f);
}

// A part of the Destination out of every match's reach moves rigidly with the surface nearest to
// it, and the summary counts it; with --keep-outside nothing ends inside the morphed Source.
TEST_F(SurfaceMethodRunTest, AnIslandOutOfReachMovesRigidlyAndNothingEndsInside) {
  const TestMesh squeezed = [this] {
    TestMesh target{"elem:squeeze-body", {}, {}, {}};
    for (const MQPoint& p : body.vertices) target.vertices.push_back({p.x * 1.3f, p.y, p.z * 1.3f});
    return target;
  }();
  TestMesh shirtWithIsland = shirt;
  const int first = static_cast<int>(shirtWithIsland.vertices.size());
  for (const MQPoint& corner : std::vector<MQPoint>{{3, 0, 0}, {3.2f, 0, 0}, {3, 0.2f, 0}}) {
    shirtWithIsland.vertices.push_back(corner);
  }
  shirtWithIsland.faces.push_back({first, first + 1, first + 2});
  shirt = shirtWithIsland;
  CliResult run;
  const Scene out =
      Run({body, squeezed, shirt},
          {"--method", "carry", "--max-distance", "0.5", "--keep-outside", "0.01"}, run);
  const SceneObject& morph = Named(out, "elem:squeeze-shirt");
  const auto side = [&](std::size_t a, std::size_t b) {
    const auto& p = morph.vertices[a];
    const auto& q = morph.vertices[b];
    return std::hypot(p.x - q.x, p.y - q.y, p.z - q.z);
  };
  const auto f = static_cast<std::size_t>(first);
  EXPECT_NEAR(side(f, f + 1), 0.2f, 1e-5f);
  EXPECT_NEAR(side(f, f + 2), 0.2f, 1e-5f);
  EXPECT_NEAR(side(f + 1, f + 2), 0.2f * std::sqrt(2.0f), 1e-5f);
  EXPECT_NE(run.out.find("Moved rigidly   3 vertices\n"), std::string::npos) << run.out;
  // Inside the squeezed sphere: (x/1.3)^2 + y^2 + (z/1.3)^2 < 1.
  for (std::size_t v = 0; v < f; ++v) {
    const auto& p = morph.vertices[v];
    const float inside = (p.x / 1.3f) * (p.x / 1.3f) + p.y * p.y + (p.z / 1.3f) * (p.z / 1.3f);
    EXPECT_GE(inside, 1.0f) << v;
  }
}

}  // namespace
