// An object of the imitated host: a name, vertex positions, faces, integer attributes, visibility
// and a vertex selection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace host_imitation {

class HostDocument;

// The corners of one face, borrowed from its list.
class FaceCorners {
 public:
  FaceCorners(const int32_t* first, std::size_t count) : first_(first), count_(count) {}
  std::size_t size() const { return count_; }
  int32_t operator[](std::size_t index) const { return first_[index]; }
  const int32_t* begin() const { return first_; }
  const int32_t* end() const { return first_ + count_; }

 private:
  const int32_t* first_;
  std::size_t count_;
};

// The faces of an object: the corners of all faces one after another, as vertex indexes, and how
// many corners each face has. The plug-in cannot change faces, so a clone shares its original's.
struct FaceList {
  std::vector<int32_t> corners;
  std::vector<int32_t> sizes;

  // Walks the faces in order, each as its FaceCorners.
  class Iterator {
   public:
    Iterator(const FaceList& list, std::size_t face, std::size_t corner)
        : list_(&list), face_(face), corner_(corner) {}
    FaceCorners operator*() const {
      return FaceCorners(list_->corners.data() + corner_,
                         static_cast<std::size_t>(list_->sizes[face_]));
    }
    Iterator& operator++() {
      corner_ += static_cast<std::size_t>(list_->sizes[face_]);
      ++face_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return face_ != other.face_; }

   private:
    const FaceList* list_;
    std::size_t face_;
    std::size_t corner_;
  };
  Iterator begin() const { return Iterator(*this, 0, 0); }
  Iterator end() const { return Iterator(*this, sizes.size(), corners.size()); }

  bool operator==(const FaceList& other) const {
    return corners == other.corners && sizes == other.sizes;
  }
};

class HostObject {
 public:
  static constexpr uint32_t kMagic = 0x4F424A31;

  explicit HostObject(int32_t serial) : serial(serial) {}

  int32_t AddVertex(MQPoint position);
  // Adds a face over existing vertices; every corner adds one reference to its vertex.
  void AddFace(const std::vector<int32_t>& corners);
  std::size_t FaceCount() const { return faces ? faces->sizes.size() : 0; }
  // The faces, an empty list for an object without any.
  const FaceList& Faces() const;
  // The corners of face `index` (which must exist).
  std::vector<int32_t> Face(std::size_t index) const;
  // Drops the geometry of an object the host destroyed.
  void ReleaseGeometry();
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
  // Null for an object without faces.
  std::shared_ptr<const FaceList> faces;
  std::vector<int32_t> refCounts;
  std::vector<bool> selectedVertices;
  std::map<int32_t, int32_t> intValues;
  uint32_t visible = 1;
  // Set once the host has destroyed the object; its handle stays recognisable but dead.
  bool destroyed = false;
  HostDocument* document = nullptr;
};

}  // namespace host_imitation
