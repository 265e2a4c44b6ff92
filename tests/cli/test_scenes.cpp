#include "test_scenes.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// A small deterministic generator, so that scenes are the same on every run.
float Pseudorandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
}

std::vector<int32_t> ReferenceCounts(const TestMesh& mesh) {
  std::vector<int32_t> counts(mesh.vertices.size(), 0);
  for (const auto& face : mesh.faces) {
    for (int32_t corner : face) ++counts[static_cast<std::size_t>(corner)];
  }
  return counts;
}

}  // namespace

TestMesh Grid(const std::string& name, int nx, int ny, MQPoint origin, float step,
              uint32_t pattern) {
  TestMesh mesh;
  mesh.name = name;
  uint32_t state = pattern;
  for (int y = 0; y < ny; ++y) {
    for (int x = 0; x < nx; ++x) {
      mesh.vertices.push_back({origin.x + static_cast<float>(x) * step,
                               origin.y + static_cast<float>(y) * step,
                               origin.z + Pseudorandom(state) * step});
    }
  }
  for (int y = 0; y + 1 < ny; ++y) {
    for (int x = 0; x + 1 < nx; ++x) {
      const int32_t corner = y * nx + x;
      mesh.faces.push_back({corner, corner + 1, corner + nx + 1, corner + nx});
    }
  }
  return mesh;
}

TestMesh Displaced(const std::string& name, const TestMesh& base, float size, uint32_t pattern) {
  TestMesh mesh;
  mesh.name = name;
  uint32_t state = pattern;
  for (const MQPoint& p : base.vertices) {
    const float dx = Pseudorandom(state) * size;
    const float dy = Pseudorandom(state) * size;
    const float dz = Pseudorandom(state) * size;
    mesh.vertices.push_back({p.x + dx, p.y + dy, p.z + dz});
  }
  return mesh;
}

std::string ObjText(const std::vector<TestMesh>& meshes) {
  std::string text;
  std::size_t offset = 0;
  char line[160];
  for (const TestMesh& mesh : meshes) {
    text += "o " + mesh.name + "\n";
    for (const MQPoint& p : mesh.vertices) {
      std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", static_cast<double>(p.x),
                    static_cast<double>(p.y), static_cast<double>(p.z));
      text += line;
    }
    for (const std::string& extra : mesh.extraLines) text += extra + "\n";
    for (const auto& face : mesh.faces) {
      text += "f";
      for (int32_t corner : face)
        text += " " + std::to_string(offset + static_cast<std::size_t>(corner) + 1);
      text += "\n";
    }
    offset += mesh.vertices.size();
  }
  return text;
}

std::vector<MQPoint> ExpectedMorph(const TestMesh& source, const TestMesh& target,
                                   const TestMesh& destination, const std::set<int32_t>* selected) {
  const std::vector<int32_t> sourceCounts = ReferenceCounts(source);
  const std::vector<int32_t> destinationCounts = ReferenceCounts(destination);
  std::vector<MQPoint> result = destination.vertices;
  for (std::size_t i = 0; i < destination.vertices.size(); ++i) {
    if (destinationCounts[i] == 0) continue;
    if (selected != nullptr && selected->count(static_cast<int32_t>(i)) == 0) continue;
    const MQPoint d = destination.vertices[i];
    // Every used Source vertex by squared distance, nearest first; the higher index first among
    // equals.
    std::vector<std::pair<float, int32_t>> ranked;
    for (std::size_t j = 0; j < source.vertices.size(); ++j) {
      if (sourceCounts[j] == 0) continue;
      const MQPoint s = source.vertices[j];
      const float dx = d.x - s.x;
      const float dy = d.y - s.y;
      const float dz = d.z - s.z;
      const float xy = dx * dx + dy * dy;
      const float zz = dz * dz;
      ranked.emplace_back(xy + zz, static_cast<int32_t>(j));
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
      return a.first < b.first || (a.first == b.first && a.second > b.second);
    });
    if (ranked.size() > 3) ranked.resize(3);

    MQPoint delta{0, 0, 0};
    float weightSum = 0;
    MQPoint sum{0, 0, 0};
    bool exact = false;
    for (const auto& [distance, j] : ranked) {
      const MQPoint b = source.vertices[static_cast<std::size_t>(j)];
      const MQPoint t = target.vertices[static_cast<std::size_t>(j)];
      if (distance == 0.0f) {
        delta = {t.x - b.x, t.y - b.y, t.z - b.z};
        exact = true;
        break;
      }
      const float weight = 1.0f / distance;
      weightSum = weightSum + weight;
      sum.x = sum.x + (t.x - b.x) * weight;
      sum.y = sum.y + (t.y - b.y) * weight;
      sum.z = sum.z + (t.z - b.z) * weight;
    }
    if (!exact && !ranked.empty()) {
      delta = weightSum != 0.0f ? MQPoint{sum.x / weightSum, sum.y / weightSum, sum.z / weightSum}
                                : sum;
    }
    result[i] = {d.x + delta.x, d.y + delta.y, d.z + delta.z};
  }
  return result;
}
