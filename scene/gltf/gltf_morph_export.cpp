#include "scene/gltf/gltf_morph_export.h"

#include <cmath>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "scene/gltf/gltf_accessor.h"
#include "scene/gltf/gltf_triangles.h"

namespace palisor_scene {

namespace {

// Below this many vertices a primitive is exported on one thread.
constexpr std::size_t kVerticesPerPart = std::size_t{1} << 15;

// Scales `a` to length 1 by the reciprocal of its length; false, leaving it, where it has no
// length or its length is not finite.
bool Normalize(Vector3& a) {
  const float length = std::sqrt(Dot(a, a));
  if (!(length > 0.0f) || !std::isfinite(length)) return false;
  a = Times(a, 1.0f / length);
  return true;
}

Vector3 At(const float* xyz, std::size_t i) {
  return Vector3At(xyz + 3 * i);
}

// Area-weighted vertex normals of the triangles over the positions.
std::vector<Vector3> VertexNormals(const float* positions, std::size_t count,
                                   const std::vector<uint32_t>& corners) {
  std::vector<Vector3> normals(count, Vector3{0, 0, 0});
  for (std::size_t t = 0; t + 2 < corners.size(); t += 3) {
    const Vector3 a = At(positions, corners[t]);
    const Vector3 face =
        Cross(Minus(At(positions, corners[t + 1]), a), Minus(At(positions, corners[t + 2]), a));
    for (std::size_t k = 0; k < 3; ++k)
      normals[corners[t + k]] = Plus(normals[corners[t + k]], face);
  }
  return normals;
}

// The smallest change to `d` (a few steps of the last place at most) after which base + d gives
// exactly `wanted` in floats, so that a reader adding the displacement to the base finds the
// tool's position bit for bit.
float ExactDisplacement(float base, float wanted) {
  float d = wanted - base;
  for (int step = 0; step < 4 && base + d != wanted; ++step) {
    d = std::nextafter(d, base + d < wanted ? INFINITY : -INFINITY);
  }
  return d;
}

// What the export needs of one primitive of the Destination's mesh, read once.
struct PrimitiveBase {
  GltfPrimitiveSpan span;
  const float* positions = nullptr;    // the mesh's own space, three floats per vertex
  std::vector<float> positionStorage;  // where they are when they had to be converted
  std::vector<uint32_t> corners;
  std::vector<float> normals;  // empty when the primitive has none
  std::vector<Vector3> shapeNormals;
};

std::vector<PrimitiveBase> ReadBases(const GltfFile& file, const GltfMeshNode& meshNode) {
  const tinygltf::Model& model = file.model;
  const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(meshNode.mesh)];
  std::vector<PrimitiveBase> bases;
  for (const GltfPrimitiveSpan& span : meshNode.primitives) {
    const tinygltf::Primitive& primitive =
        mesh.primitives[static_cast<std::size_t>(span.primitive)];
    const GltfPlace where{file.path, "meshes[" + std::to_string(meshNode.mesh) + "].primitives[" +
                                         std::to_string(span.primitive) + "]"};
    PrimitiveBase base;
    base.span = span;
    base.positions = FloatAccessorData(model, primitive.attributes.at("POSITION"), 3,
                                       GltfPlace{file.path, where.place + ".attributes.POSITION"},
                                       base.positionStorage);
    const auto normal = primitive.attributes.find("NORMAL");
    if (normal != primitive.attributes.end()) {
      base.normals = ReadFloatAccessor(model, normal->second, 3,
                                       GltfPlace{file.path, where.place + ".attributes.NORMAL"});
      if (base.normals.size() != 3 * span.count) base.normals.clear();
      // The triangles are needed only to turn the normals.
      base.corners = PrimitiveTriangles(model, primitive, span.count, where);
      base.shapeNormals = VertexNormals(base.positions, span.count, base.corners);
    }
    bases.push_back(std::move(base));
  }
  return bases;
}

PrimitiveTarget ExportPrimitive(const PrimitiveBase& base, const GltfMeshNode& meshNode,
                                PointSpan world, PointSpan moved) {
  PrimitiveTarget target;
  const std::size_t count = base.span.count;
  target.positions.resize(3 * count);
  std::array<double, 9> inverse{};
  const bool identity = IsIdentity(meshNode.placement);
  const bool invertible = identity || InverseLinearPart(meshNode.placement, inverse);
  RunInChunks(count, kVerticesPerPart, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const Vector3 from = world[base.span.first + i];
      const Vector3 to = moved[base.span.first + i];
      float* d = &target.positions[3 * i];
      if (identity) {
        d[0] = ExactDisplacement(base.positions[3 * i], to.x);
        d[1] = ExactDisplacement(base.positions[3 * i + 1], to.y);
        d[2] = ExactDisplacement(base.positions[3 * i + 2], to.z);
      } else if (invertible) {
        const double w[3] = {static_cast<double>(to.x) - from.x, static_cast<double>(to.y) - from.y,
                             static_cast<double>(to.z) - from.z};
        for (int row = 0; row < 3; ++row) {
          d[row] = static_cast<float>(inverse[static_cast<std::size_t>(row)] * w[0] +
                                      inverse[static_cast<std::size_t>(3 + row)] * w[1] +
                                      inverse[static_cast<std::size_t>(6 + row)] * w[2]);
        }
      } else {
        d[0] = d[1] = d[2] = 0.0f;
      }
    }
  });
  if (base.normals.empty()) return target;

  // Each stored normal turns as the shape's own normal at the vertex turns.
  std::vector<float> shape(3 * count);
  for (std::size_t i = 0; i < shape.size(); ++i) shape[i] = base.positions[i] + target.positions[i];
  const std::vector<Vector3> shapeNormals = VertexNormals(shape.data(), count, base.corners);
  target.normals.assign(3 * count, 0.0f);
  RunInChunks(count, kVerticesPerPart, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      Vector3 a = base.shapeNormals[i];
      Vector3 b = shapeNormals[i];
      if (!Normalize(a) || !Normalize(b)) continue;
      const float c = Dot(a, b);
      if (!(1.0f + c > 1e-6f)) continue;
      const Vector3 axis = Cross(a, b);
      const Vector3 v = At(base.normals.data(), i);
      const Vector3 turned =
          Plus(Plus(Times(v, c), Cross(axis, v)), Times(axis, Dot(axis, v) / (1.0f + c)));
      const Vector3 change = Minus(turned, v);
      target.normals[3 * i] = change.x;
      target.normals[3 * i + 1] = change.y;
      target.normals[3 * i + 2] = change.z;
    }
  });
  return target;
}

}  // namespace

std::vector<NewMorphTarget> ExportMorphTargets(const GltfScene& scene, int32_t sceneIndex,
                                               const RunResult& result,
                                               const DestinationTargets& plan) {
  const ResultRow& row = result.destinations[plan.row];
  const GltfFile& file = *scene.file;
  const GltfMeshNode& meshNode = file.meshNodes[scene.origins[row.first.origin.object]->meshNode];
  const std::vector<PrimitiveBase> primitives = ReadBases(file, meshNode);
  std::vector<NewMorphTarget> targets;
  for (const DestinationTargets::NewTarget& made : plan.made) {
    NewMorphTarget target;
    target.name = made.name;
    const SceneObjectRef& source = result.source.others[made.column].origin;
    if (source.scene == sceneIndex && source.object < scene.origins.size() &&
        scene.origins[source.object]->target >= 0) {
      target.sourceTarget = scene.origins[source.object].get();
    }
    for (const PrimitiveBase& primitive : primitives) {
      target.primitives.push_back(ExportPrimitive(primitive, meshNode, row.first.vertices,
                                                  row.others[made.column].vertices));
    }
    targets.push_back(std::move(target));
  }
  return targets;
}

}  // namespace palisor_scene
