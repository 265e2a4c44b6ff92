// Carries skin weights in one fixed scene through the built transfer library by each method, and
// writes every Destination vertex's joints, the bits of its weights and its marks. Builds for
// different platforms must write the same file.
//
//   weight_bits OUTPUT-FILE
//
// Exits with 1 when a transfer fails or the file cannot be written.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "transfer_c/palisor_transfer.h"

namespace {

// The point a fraction `u` of the way round the unit square's edge, from (1, -1) counter-clockwise.
void SquarePoint(double u, double* x, double* y) {
  const double t = 8.0 * (u - static_cast<double>(static_cast<int>(u)));
  const int side = static_cast<int>(t / 2.0);
  const double along = t - 2.0 * side - 1.0;
  const double xs[] = {1.0, -along, -1.0, along}, ys[] = {along, 1.0, -along, -1.0};
  *x = xs[side];
  *y = ys[side];
}

// A closed sphere over a latitude and longitude grid: `rings` rows of `segments` vertices between
// two poles, made only of arithmetic and square roots, which every platform rounds alike.
struct Sphere {
  std::vector<float> positions;
  std::vector<uint32_t> triangles;

  Sphere(uint32_t rings, uint32_t segments, float radius, double turn) {
    positions.insert(positions.end(), {0.0f, 0.0f, radius});
    for (uint32_t r = 1; r < rings; ++r) {
      const double z = 1.0 - 2.0 * r / rings, ring = std::sqrt(1.0 - z * z);
      for (uint32_t s = 0; s < segments; ++s) {
        double x = 0.0, y = 0.0;
        SquarePoint((s + turn) / segments, &x, &y);
        const double length = std::sqrt(x * x + y * y);
        positions.insert(positions.end(), {static_cast<float>(radius * ring * x / length),
                                           static_cast<float>(radius * ring * y / length),
                                           static_cast<float>(radius * z)});
      }
    }
    positions.insert(positions.end(), {0.0f, 0.0f, -radius});
    const uint32_t last = static_cast<uint32_t>(positions.size() / 3 - 1);
    for (uint32_t s = 0; s < segments; ++s) {
      const uint32_t n = (s + 1) % segments;
      triangles.insert(triangles.end(), {0, 1 + s, 1 + n});
      triangles.insert(triangles.end(), {last, last - segments + n, last - segments + s});
      for (uint32_t r = 0; r + 2 < rings; ++r) {
        const uint32_t a = 1 + r * segments + s, b = 1 + r * segments + n;
        triangles.insert(triangles.end(), {a, a + segments, b, b, a + segments, b + segments});
      }
    }
  }
  std::size_t count() const { return positions.size() / 3; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const Sphere source(14, 20, 1.0f, 0.0);
  // Its cap lifted beyond the distance limit, so that robust fills it.
  Sphere destination(17, 23, 1.08f, 0.3);
  for (std::size_t k = 0; k < destination.positions.size(); k += 3) {
    if (destination.positions[k + 2] <= 0.6f) continue;
    for (std::size_t c = 0; c < 3; ++c) destination.positions[k + c] *= 1.25f;
  }
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  for (std::size_t v = 0; v < source.count(); ++v) {
    const float x = source.positions[3 * v], z = source.positions[3 * v + 2];
    for (uint32_t k = 0; k < 3; ++k) {
      joints.push_back((static_cast<uint32_t>(v) + 5 * k) % 9);
      const float t = 3.0f * x + 1.7f * static_cast<float>(k) + z;
      weights.push_back(1.0f / (1.0f + t * t));
    }
  }
  palisor_transfer_weight_input input{};
  input.struct_size = sizeof input;
  input.source_positions = source.positions.data();
  input.source_vertex_count = source.count();
  input.source_triangles = source.triangles.data();
  input.source_triangle_count = source.triangles.size() / 3;
  input.source_joints = joints.data();
  input.source_weights = weights.data();
  input.source_influences = 3;
  input.joint_count = 9;
  input.destination_positions = destination.positions.data();
  input.destination_vertex_count = destination.count();
  input.destination_triangles = destination.triangles.data();
  input.destination_triangle_count = destination.triangles.size() / 3;
  std::ofstream out(argv[1], std::ios::binary);
  for (int32_t method = 0; method < 3; ++method) {
    palisor_transfer_weight_options options{};
    options.struct_size = sizeof options;
    palisor_transfer_default_weight_options(&options);
    options.method = method;
    options.max_distance = 0.15f;
    options.smoothing_passes = 2;
    std::vector<uint32_t> outJoints(destination.count() * options.max_influences);
    std::vector<float> outWeights(outJoints.size());
    std::vector<uint8_t> marks(destination.count());
    char message[256];
    if (palisor_transfer_weights(&input, &options, outJoints.data(), outWeights.data(),
                                 marks.data(), message, sizeof message) != PALISOR_TRANSFER_OK) {
      std::fprintf(stderr, "weight_bits: %s\n", message);
      return 1;
    }
    for (std::size_t k = 0; k < outJoints.size(); ++k) {
      uint32_t bits = 0;
      std::memcpy(&bits, &outWeights[k], sizeof bits);
      char line[64];
      std::snprintf(line, sizeof line, "%d %zu %u %08x %u\n", static_cast<int>(method), k,
                    static_cast<unsigned>(outJoints[k]), static_cast<unsigned>(bits),
                    static_cast<unsigned>(marks[k / options.max_influences]));
      out << line;
    }
  }
  return out ? 0 : 1;
}
