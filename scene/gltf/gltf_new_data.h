// The bytes a written glTF file gains, with the buffer views and accessors over them: the added
// values are kept as they are, to be written from where they lie.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/gltf/gltf_writer.h"

namespace palisor_scene {

// The zero bytes that pad binary data to four-byte boundaries.
inline constexpr char kGltfPadding[4] = {0, 0, 0, 0};

// The bytes a file gains after the `start` bytes of buffer `buffer`, and their accessors.
class NewData {
 public:
  NewData(OrderedJson& json, int buffer, std::size_t start)
      : json_(json), buffer_(buffer), start_(start), size_(start) {}

  // A float accessor of `components` per element; with min and max when asked.
  int AddFloats(std::vector<float> values, int components, const char* type, bool withBounds);

  // An accessor of unsigned integers (`componentType` unsigned byte or short) of `components` per
  // element, its bytes as they are to lie in the buffer.
  int AddUnsigned(std::string bytes, int componentType, int components, const char* type);

  // The count of bytes added.
  std::size_t size() const { return size_ - start_; }

  // Hands the added bytes over to `bytes`, after whatever it holds.
  void MoveInto(GltfBytes& bytes);

 private:
  struct Piece {
    std::size_t padding;
    std::vector<float> values;
    std::string bytes;
  };

  // A buffer view over the next `byteLength` bytes, four-byte aligned; returns its index.
  std::size_t AddView(std::size_t byteLength, std::size_t& padding);

  OrderedJson& Array(const char* name) {
    OrderedJson& array = json_[name];
    if (!array.is_array()) array = OrderedJson::array();
    return array;
  }

  OrderedJson& json_;
  int buffer_;
  std::size_t start_;
  // Where the next byte goes in the buffer.
  std::size_t size_;
  std::vector<Piece> pieces_;
};

}  // namespace palisor_scene
