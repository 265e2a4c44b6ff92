// An object of the imitated host: a name, vertex positions, faces, integer attributes, visibility
// and a vertex selection.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace host_imitation {

class HostDocument;

// Whatever a scene format carries for an object beyond what the host models (texture
// coordinates, normals, materials); a clone shares its original's.
struct ObjectPassthrough {
  virtual ~ObjectPassthrough() = default;
};

class HostObject {
 public:
  static constexpr uint32_t kMagic = 0x4F424A31;

  explicit HostObject(int32_t serial) : serial(serial) {}

  int32_t AddVertex(MQPoint position);
  // Adds a face over existing vertices; every corner adds one reference to its vertex.
  void AddFace(const std::vector<int32_t>& corners);
  int32_t VertexCount() const { return static_cast<int32_t>(vertices.size()); }
  int32_t RefCount(int32_t vertex) const;
  bool IsVertexSelected(int32_t vertex) const;
  void SelectVertex(int32_t vertex, bool selected = true);
  int32_t IntValue(int32_t attribute) const;

  // A copy under a new serial, in no document.
  std::unique_ptr<HostObject> Clone(int32_t newSerial) const;

  MQObject handle() { return reinterpret_cast<MQObject>(this); }

  uint32_t magic = kMagic;
  int32_t serial;
  // The serial of the object this one was cloned from; 0 for an object made afresh.
  int32_t clonedFrom = 0;
  std::string name;
  std::vector<MQPoint> vertices;
  std::vector<std::vector<int32_t>> faces;
  std::vector<int32_t> refCounts;
  std::vector<bool> selectedVertices;
  std::map<int32_t, int32_t> intValues;
  uint32_t visible = 1;
  std::shared_ptr<const ObjectPassthrough> passthrough;
  // Set once the host has destroyed the object; its handle stays recognisable but dead.
  bool destroyed = false;
  HostDocument* document = nullptr;
};

}  // namespace host_imitation
