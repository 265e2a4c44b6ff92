// Read-only views of a scene's positions (each a Vector3) and of its faces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "geometry/vector3.h"

namespace palisor_scene {

// A read-only view of `size` positions lying one after another. Besides the scene's own Vector3s
// it can show any array of records that hold just x, y and z as floats in that order (such as the
// positions of a host document), with no copy: each position is read from the record's bytes.
class PointSpan {
 public:
  PointSpan() = default;
  PointSpan(const std::vector<Vector3>& points) : PointSpan(points.data(), points.size()) {}
  template <typename Record>
  PointSpan(const Record* records, std::size_t size)
      : bytes_(reinterpret_cast<const unsigned char*>(records)), size_(size) {
    static_assert(
        std::is_trivially_copyable<Record>::value && std::is_standard_layout<Record>::value,
        "positions must be plain records");
    static_assert(sizeof(Record) == sizeof(Vector3), "a position is three floats and nothing more");
    static_assert(offsetof(Record, x) == offsetof(Vector3, x) &&
                      offsetof(Record, y) == offsetof(Vector3, y) &&
                      offsetof(Record, z) == offsetof(Vector3, z),
                  "x, y and z lie as in Vector3");
    static_assert(std::is_same<decltype(Record::x), float>::value &&
                      std::is_same<decltype(Record::y), float>::value &&
                      std::is_same<decltype(Record::z), float>::value,
                  "coordinates are 32-bit floats");
  }
  template <typename Record>
  PointSpan(const std::vector<Record>& records) : PointSpan(records.data(), records.size()) {}

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Whether it shows anything at all (an object), as against an empty place.
  bool shown() const { return bytes_ != nullptr; }
  Vector3 operator[](std::size_t index) const {
    Vector3 point;
    std::memcpy(&point, bytes_ + index * sizeof(Vector3), sizeof(Vector3));
    return point;
  }

 private:
  const unsigned char* bytes_ = nullptr;
  std::size_t size_ = 0;
};

// The corners of one face, borrowed.
class FaceCornerSpan {
 public:
  FaceCornerSpan(const int32_t* first, std::size_t count) : first_(first), count_(count) {}
  std::size_t size() const { return count_; }
  int32_t operator[](std::size_t index) const { return first_[index]; }
  const int32_t* begin() const { return first_; }
  const int32_t* end() const { return first_ + count_; }

 private:
  const int32_t* first_;
  std::size_t count_;
};

// A read-only view of faces: the corners of all faces one after another, as vertex indexes, and
// how many corners each face has. Walks its faces in order, each as a FaceCornerSpan.
struct FaceSpan {
  const int32_t* corners = nullptr;
  std::size_t cornerCount = 0;
  const int32_t* sizes = nullptr;
  std::size_t faceCount = 0;

  FaceSpan() = default;
  FaceSpan(const std::vector<int32_t>& allCorners, const std::vector<int32_t>& faceSizes)
      : corners(allCorners.data()),
        cornerCount(allCorners.size()),
        sizes(faceSizes.data()),
        faceCount(faceSizes.size()) {}
  bool empty() const { return faceCount == 0; }

  class Iterator {
   public:
    Iterator(const FaceSpan& span, std::size_t face, std::size_t corner)
        : span_(&span), face_(face), corner_(corner) {}
    FaceCornerSpan operator*() const {
      return FaceCornerSpan(span_->corners + corner_,
                            static_cast<std::size_t>(span_->sizes[face_]));
    }
    Iterator& operator++() {
      corner_ += static_cast<std::size_t>(span_->sizes[face_]);
      ++face_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return face_ != other.face_; }

   private:
    const FaceSpan* span_;
    std::size_t face_;
    std::size_t corner_;
  };
  Iterator begin() const { return Iterator(*this, 0, 0); }
  Iterator end() const { return Iterator(*this, faceCount, cornerCount); }
};

}  // namespace palisor_scene
