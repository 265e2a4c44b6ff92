// Carries three morphs from a sphere of about 1400 vertices to a finer, shifted sphere and to a
// flat grid, and checks every moved vertex against positions computed here by brute force.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "morph_fixture.h"

namespace {

using host_imitation::HostObject;

struct Mesh {
  std::vector<MQPoint> vertices;
  std::vector<std::vector<int32_t>> faces;
  std::set<int32_t> unused;
};

// Latitude rings between two poles; quads between the rings, triangles at the poles.
Mesh UvSphere(int32_t rings, int32_t segments, float radius, MQPoint centre) {
  Mesh mesh;
  const float pi = 3.14159265f;
  mesh.vertices.push_back({centre.x, centre.y + radius, centre.z});
  for (int32_t ring = 1; ring <= rings; ++ring) {
    const float polar = pi * static_cast<float>(ring) / static_cast<float>(rings + 1);
    for (int32_t segment = 0; segment < segments; ++segment) {
      const float azimuth = 2.0f * pi * static_cast<float>(segment) / static_cast<float>(segments);
      mesh.vertices.push_back({centre.x + radius * std::sin(polar) * std::cos(azimuth),
                               centre.y + radius * std::cos(polar),
                               centre.z + radius * std::sin(polar) * std::sin(azimuth)});
    }
  }
  mesh.vertices.push_back({centre.x, centre.y - radius, centre.z});
  const int32_t south = static_cast<int32_t>(mesh.vertices.size()) - 1;
  auto at = [segments](int32_t ring, int32_t segment) {
    return 1 + (ring - 1) * segments + segment % segments;
  };
  for (int32_t segment = 0; segment < segments; ++segment) {
    mesh.faces.push_back({0, at(1, segment + 1), at(1, segment)});
    for (int32_t ring = 1; ring < rings; ++ring) {
      mesh.faces.push_back({at(ring, segment), at(ring, segment + 1), at(ring + 1, segment + 1),
                            at(ring + 1, segment)});
    }
    mesh.faces.push_back({south, at(rings, segment), at(rings, segment + 1)});
  }
  return mesh;
}

// A flat grid of quads in the plane z = `z`.
Mesh Grid(int32_t cells, float half, float z) {
  Mesh mesh;
  for (int32_t row = 0; row <= cells; ++row) {
    for (int32_t column = 0; column <= cells; ++column) {
      mesh.vertices.push_back({-half + 2.0f * half * static_cast<float>(column) / cells,
                               -half + 2.0f * half * static_cast<float>(row) / cells, z});
    }
  }
  for (int32_t row = 0; row < cells; ++row) {
    for (int32_t column = 0; column < cells; ++column) {
      const int32_t corner = row * (cells + 1) + column;
      mesh.faces.push_back({corner, corner + 1, corner + cells + 2, corner + cells + 1});
    }
  }
  return mesh;
}

// Adds vertices that no face uses.
void AddUnused(Mesh& mesh, const std::vector<MQPoint>& points) {
  for (const MQPoint& point : points) {
    mesh.unused.insert(static_cast<int32_t>(mesh.vertices.size()));
    mesh.vertices.push_back(point);
  }
}

Mesh Moved(const Mesh& base, MQPoint (*move)(const MQPoint&)) {
  Mesh target = base;
  for (MQPoint& vertex : target.vertices) vertex = move(vertex);
  return target;
}

MQPoint Bulge(const MQPoint& p) {
  const float scale = 1.0f + 0.1f * (1.0f + p.y);
  return {p.x * scale, p.y * scale, p.z * scale};
}
MQPoint ShiftUpperHalf(const MQPoint& p) {
  return p.y > 0.0f ? MQPoint{p.x + 0.2f, p.y, p.z - 0.05f} : p;
}
MQPoint Twist(const MQPoint& p) {
  const float angle = 0.3f * p.y;
  return {p.x * std::cos(angle) - p.z * std::sin(angle), p.y,
          p.x * std::sin(angle) + p.z * std::cos(angle)};
}

// The expected result, by brute force over the meshes as the test built them: every distance
// computed, sorted by distance and then by descending index, the first three kept.
MQPoint ExpectedPosition(const Mesh& source, const Mesh& target, const MQPoint& vertex) {
  std::vector<std::pair<float, int32_t>> candidates;
  for (int32_t j = 0; j < static_cast<int32_t>(source.vertices.size()); ++j) {
    if (source.unused.count(j) != 0) continue;
    const MQPoint& s = source.vertices[static_cast<std::size_t>(j)];
    const float dx = vertex.x - s.x;
    const float dy = vertex.y - s.y;
    const float dz = vertex.z - s.z;
    candidates.emplace_back((dx * dx + dy * dy) + dz * dz, j);
  }
  std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second > b.second;
  });
  candidates.resize(std::min<std::size_t>(candidates.size(), 3));

  MQPoint delta{0, 0, 0};
  float weights = 0.0f;
  MQPoint sum{0, 0, 0};
  bool exact = false;
  for (const auto& [distance, j] : candidates) {
    const MQPoint& b = source.vertices[static_cast<std::size_t>(j)];
    const MQPoint& t = target.vertices[static_cast<std::size_t>(j)];
    if (distance == 0.0f) {
      delta = {t.x - b.x, t.y - b.y, t.z - b.z};
      exact = true;
      break;
    }
    const float w = 1.0f / distance;
    weights = weights + w;
    sum = {sum.x + (t.x - b.x) * w, sum.y + (t.y - b.y) * w, sum.z + (t.z - b.z) * w};
  }
  if (!exact && !candidates.empty()) delta = {sum.x / weights, sum.y / weights, sum.z / weights};
  return {vertex.x + delta.x, vertex.y + delta.y, vertex.z + delta.z};
}

bool SameBits(const MQPoint& a, const MQPoint& b) {
  return std::memcmp(&a, &b, sizeof(MQPoint)) == 0;
}

class RealMeshTransferTest : public MorphFixture {
 protected:
  HostObject& Add(const std::string& name, const Mesh& mesh) {
    HostObject& object = host.AddObject(document, name, mesh.vertices, mesh.faces);
    return object;
  }
};

TEST_F(RealMeshTransferTest, EveryVertexLandsWhereBruteForcePutsIt) {
  Mesh source = UvSphere(30, 48, 1.0f, {0, 0, 0});
  const std::vector<Mesh> targets = {Moved(source, Bulge), Moved(source, ShiftUpperHalf),
                                     Moved(source, Twist)};
  // An unused Source vertex right on a Destination vertex must not be taken.
  AddUnused(source, {{0.01f, 1.03f - 0.02f, 0.015f}, {5, 5, 5}});
  Mesh sphere = UvSphere(37, 53, 1.03f, {0.01f, -0.02f, 0.015f});
  AddUnused(sphere, {{0, 0, 0}, {2, 2, 2}});
  Mesh grid = Grid(40, 1.5f, 0.1f);
  ASSERT_GT(source.vertices.size(), 1400u);
  ASSERT_GT(sphere.vertices.size(), 1900u);

  HostObject& sourceObject = Add("face", source);
  const std::vector<std::string> targetNames = {"elem:bulge-face", "elem:shift-face",
                                                "elem:twist-face"};
  for (std::size_t k = 0; k < targets.size(); ++k) {
    Mesh target = targets[k];
    AddUnused(target, {source.vertices[source.vertices.size() - 2], {5, 5, 5}});
    tool.chosenTargets.push_back(Handle(Add(targetNames[k], target)));
  }
  HostObject& sphereObject = Add("sphere", sphere);
  HostObject& gridObject = Add("grid", grid);
  for (std::size_t i = 0; i < grid.vertices.size(); i += 7) gridObject.SelectVertex(i);
  tool.source = Handle(sourceObject);
  tool.destinations = {Handle(sphereObject), Handle(gridObject)};
  host.log.enabled = false;

  const std::vector<std::pair<HostObject*, const Mesh*>> destinations = {{&gridObject, &grid},
                                                                         {&sphereObject, &sphere}};
  for (const auto& [destinationObject, destinationMesh] : destinations) {
    // Only the grid's selected vertices move.
    runSettings.selectedVerticesOnly = destinationObject == &gridObject;
    const cmq::CMQObject destination = Handle(*destinationObject);
    ASSERT_TRUE(tool.CreateMorphObjects(destination));
    ASSERT_TRUE(tool.BuildCorrespondence(destination));
    ASSERT_TRUE(tool.ApplyMorphs(destination));
    ASSERT_EQ(tool.createdMorphs.size(), targets.size());

    for (std::size_t k = 0; k < targets.size(); ++k) {
      const std::vector<MQPoint>& result = Object(tool.createdMorphs[k]).vertices;
      ASSERT_EQ(result.size(), destinationMesh->vertices.size());
      std::size_t moved = 0;
      std::size_t wrong = 0;
      std::string firstWrong;
      for (std::size_t i = 0; i < result.size(); ++i) {
        const MQPoint& rest = destinationMesh->vertices[i];
        const bool considered =
            destinationMesh->unused.count(static_cast<int32_t>(i)) == 0 &&
            (!runSettings.selectedVerticesOnly || destinationObject->IsVertexSelected(i));
        const MQPoint expected = considered ? ExpectedPosition(source, targets[k], rest) : rest;
        if (!SameBits(expected, rest)) ++moved;
        if (!SameBits(result[i], expected)) {
          if (wrong++ == 0) firstWrong = std::to_string(i);
        }
      }
      EXPECT_EQ(wrong, 0u) << destinationObject->name << " morph " << k << ", first vertex "
                           << firstWrong;
      EXPECT_GT(moved, destinationObject == &gridObject ? 100u : 1000u) << "the morph moves";
    }
  }
}

}  // namespace
