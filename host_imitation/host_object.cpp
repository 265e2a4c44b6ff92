#include "host_imitation/host_object.h"

#include <stdexcept>

namespace host_imitation {

int32_t HostObject::AddVertex(MQPoint position) {
  vertices.push_back(position);
  refCounts.push_back(0);
  selectedVertices.push_back(false);
  return VertexCount() - 1;
}

void HostObject::AddFace(const std::vector<int32_t>& corners) {
  for (int32_t corner : corners) {
    if (corner < 0 || corner >= VertexCount()) throw std::out_of_range("face corner out of range");
  }
  for (int32_t corner : corners) ++refCounts[static_cast<std::size_t>(corner)];
  // Faces shared with a clone stay as they are; the object adding one gets its own copy.
  if (!faces || faces.use_count() > 1) {
    faces = faces ? std::make_shared<FaceList>(*faces) : std::make_shared<FaceList>();
  }
  // Every face list is made here or by a document builder as a mutable object, and no other
  // object holds this one.
  auto& own = const_cast<FaceList&>(*faces);
  own.corners.insert(own.corners.end(), corners.begin(), corners.end());
  own.sizes.push_back(static_cast<int32_t>(corners.size()));
}

const FaceList& HostObject::Faces() const {
  static const FaceList kNone;
  return faces ? *faces : kNone;
}

std::vector<int32_t> HostObject::Face(std::size_t index) const {
  std::size_t first = 0;
  for (std::size_t face = 0; face < index; ++face) {
    first += static_cast<std::size_t>(faces->sizes[face]);
  }
  const auto begin = faces->corners.begin() + static_cast<std::ptrdiff_t>(first);
  return std::vector<int32_t>(begin, begin + faces->sizes[index]);
}

void HostObject::ReleaseGeometry() {
  vertices = {};
  refCounts = {};
  selectedVertices = {};
  faces = nullptr;
}

int32_t HostObject::RefCount(int32_t vertex) const {
  return vertex >= 0 && vertex < VertexCount() ? refCounts[static_cast<std::size_t>(vertex)] : 0;
}

bool HostObject::IsVertexSelected(int32_t vertex) const {
  return vertex >= 0 && vertex < VertexCount() &&
         selectedVertices[static_cast<std::size_t>(vertex)];
}

void HostObject::SelectVertex(int32_t vertex, bool selected) {
  if (vertex >= 0 && vertex < VertexCount()) {
    selectedVertices[static_cast<std::size_t>(vertex)] = selected;
  }
}

int32_t HostObject::IntValue(int32_t attribute) const {
  auto found = intValues.find(attribute);
  return found != intValues.end() ? found->second : 0;
}

std::unique_ptr<HostObject> HostObject::Clone(int32_t newSerial) const {
  auto copy = std::make_unique<HostObject>(*this);
  copy->serial = newSerial;
  copy->clonedFrom = serial;
  copy->document = nullptr;
  copy->destroyed = false;
  return copy;
}

}  // namespace host_imitation
