#include "scene/gltf/gltf_accessor.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include "parallel/parallel_chunks.h"
#include "scene/scene_error.h"

namespace palisor_scene {

namespace {

// An index accessor shorter than this is read on one thread.
constexpr std::size_t kIndexesPerPart = std::size_t{1} << 16;

std::string Indexed(const char* array, int index) {
  return std::string(array) + "[" + std::to_string(index) + "]";
}

int ComponentCount(int type) {
  switch (type) {
    case TINYGLTF_TYPE_SCALAR:
      return 1;
    case TINYGLTF_TYPE_VEC2:
      return 2;
    case TINYGLTF_TYPE_VEC3:
      return 3;
    case TINYGLTF_TYPE_VEC4:
    case TINYGLTF_TYPE_MAT2:
      return 4;
    case TINYGLTF_TYPE_MAT3:
      return 9;
    case TINYGLTF_TYPE_MAT4:
      return 16;
    default:
      return 0;
  }
}

std::size_t ComponentSize(int componentType) {
  switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    default:
      return 0;
  }
}

template <typename T>
T Load(const unsigned char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

float ComponentValue(const unsigned char* bytes, int componentType, bool normalized) {
  switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return Load<float>(bytes);
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
      const float value = static_cast<float>(Load<int8_t>(bytes));
      return normalized ? std::max(value / 127.0f, -1.0f) : value;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: {
      const float value = static_cast<float>(Load<uint8_t>(bytes));
      return normalized ? value / 255.0f : value;
    }
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
      const float value = static_cast<float>(Load<int16_t>(bytes));
      return normalized ? std::max(value / 32767.0f, -1.0f) : value;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
      const float value = static_cast<float>(Load<uint16_t>(bytes));
      return normalized ? value / 65535.0f : value;
    }
    default:
      return static_cast<float>(Load<uint32_t>(bytes));
  }
}

uint32_t IndexValue(const unsigned char* bytes, int componentType) {
  switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return Load<uint8_t>(bytes);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return Load<uint16_t>(bytes);
    default:
      return Load<uint32_t>(bytes);
  }
}

// `count` elements of `elementSize` bytes, `stride` apart, from a buffer view: the address of
// the first, after checking that all of them lie inside the view and the view inside its buffer.
const unsigned char* ViewData(const tinygltf::Model& model, int view, std::size_t offset,
                              std::size_t count, std::size_t elementSize, std::size_t stride,
                              const GltfPlace& where, const std::string& what) {
  if (view < 0 || static_cast<std::size_t>(view) >= model.bufferViews.size()) {
    FailAt(where, what + " names " + Indexed("bufferViews", view) + ", which does not exist");
  }
  const tinygltf::BufferView& bufferView = model.bufferViews[static_cast<std::size_t>(view)];
  if (bufferView.buffer < 0 ||
      static_cast<std::size_t>(bufferView.buffer) >= model.buffers.size()) {
    FailAt(where, Indexed("bufferViews", view) + " names " + Indexed("buffers", bufferView.buffer) +
                      ", which does not exist");
  }
  const std::vector<unsigned char>& data =
      model.buffers[static_cast<std::size_t>(bufferView.buffer)].data;
  if (bufferView.byteOffset > data.size() ||
      bufferView.byteLength > data.size() - bufferView.byteOffset) {
    FailAt(where, Indexed("bufferViews", view) + " reaches past the end of " +
                      Indexed("buffers", bufferView.buffer) + " (" + std::to_string(data.size()) +
                      " bytes)");
  }
  if (count > 0) {
    const std::size_t limit = bufferView.byteLength;
    const bool fits = offset <= limit &&
                      (count - 1) <= (limit - offset) / std::max<std::size_t>(stride, 1) &&
                      (count - 1) * stride + elementSize <= limit - offset;
    if (!fits) {
      FailAt(where, what + " reaches past the end of " + Indexed("bufferViews", view) + " (" +
                        std::to_string(limit) + " bytes)");
    }
  }
  return data.data() + bufferView.byteOffset + offset;
}

const tinygltf::Accessor& FindAccessor(const tinygltf::Model& model, int accessor,
                                       const GltfPlace& where) {
  if (accessor < 0 || static_cast<std::size_t>(accessor) >= model.accessors.size()) {
    FailAt(where, "names " + Indexed("accessors", accessor) + ", which does not exist");
  }
  return model.accessors[static_cast<std::size_t>(accessor)];
}

// The indices of an index accessor, each checked to be below `vertexCount`, appended to `out`
// plus `offset`, on all cores; the first bad index in the accessor's order is the one reported.
template <typename Index>
void AppendIndexes(const tinygltf::Model& model, int accessor, std::size_t vertexCount,
                   Index offset, const GltfPlace& where, std::vector<Index>& indexes) {
  const tinygltf::Accessor& data = FindAccessor(model, accessor, where);
  const std::string name = Indexed("accessors", accessor);
  const int type = data.componentType;
  if (data.type != TINYGLTF_TYPE_SCALAR || data.sparse.isSparse || data.bufferView < 0 ||
      (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
       type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
       type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)) {
    FailAt(where, name + " is not a dense accessor of unsigned byte, short or int indices");
  }
  const std::size_t size = ComponentSize(type);
  const tinygltf::BufferView& view =
      model.bufferViews.size() > static_cast<std::size_t>(data.bufferView)
          ? model.bufferViews[static_cast<std::size_t>(data.bufferView)]
          : tinygltf::BufferView();
  const std::size_t stride = view.byteStride != 0 ? view.byteStride : size;
  const unsigned char* bytes =
      ViewData(model, data.bufferView, data.byteOffset, data.count, size, stride, where, name);
  const std::size_t start = indexes.size();
  indexes.resize(start + data.count);
  Index* out = indexes.data() + start;
  std::atomic<std::size_t> firstBad{data.count};
  RunInChunks(data.count, kIndexesPerPart, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const uint32_t index = IndexValue(bytes + i * stride, type);
      if (index >= vertexCount) {
        std::size_t known = firstBad.load();
        while (i < known && !firstBad.compare_exchange_weak(known, i)) {
        }
        return;
      }
      out[i] = static_cast<Index>(static_cast<uint32_t>(offset) + index);
    }
  });
  const std::size_t bad = firstBad.load();
  if (bad < data.count) {
    FailAt(where, name + " holds index " + std::to_string(IndexValue(bytes + bad * stride, type)) +
                      " at " + std::to_string(bad) + ", but there are " +
                      std::to_string(vertexCount) + " vertices");
  }
}

}  // namespace

void FailAt(const GltfPlace& where, const std::string& what) {
  throw SceneError(where.file, where.place, where.file + ": " + where.place + ": " + what);
}

std::size_t AccessorCount(const tinygltf::Model& model, int accessor, const GltfPlace& where) {
  return FindAccessor(model, accessor, where).count;
}

namespace {

// How an accessor's elements lie: components per element and bytes per component and element.
struct ElementLayout {
  std::size_t width = 0;
  std::size_t componentSize = 0;
  std::size_t elementSize = 0;
};

// The elements of the accessor's buffer view, converted to floats.
void ReadDenseElements(const tinygltf::Model& model, const tinygltf::Accessor& data,
                       const ElementLayout& layout, const GltfPlace& where, const std::string& name,
                       std::vector<float>& values) {
  const tinygltf::BufferView& view =
      model.bufferViews.size() > static_cast<std::size_t>(data.bufferView)
          ? model.bufferViews[static_cast<std::size_t>(data.bufferView)]
          : tinygltf::BufferView();
  const std::size_t stride = view.byteStride != 0 ? view.byteStride : layout.elementSize;
  const unsigned char* bytes = ViewData(model, data.bufferView, data.byteOffset, data.count,
                                        layout.elementSize, stride, where, name);
  if (data.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT && stride == layout.elementSize) {
    if (!values.empty()) std::memcpy(values.data(), bytes, values.size() * sizeof(float));
    return;
  }
  for (std::size_t e = 0; e < data.count; ++e) {
    const unsigned char* element = bytes + e * stride;
    for (std::size_t c = 0; c < layout.width; ++c) {
      values[e * layout.width + c] =
          ComponentValue(element + c * layout.componentSize, data.componentType, data.normalized);
    }
  }
}

// The sparse elements, over the dense ones.
void ApplySparseElements(const tinygltf::Model& model, const tinygltf::Accessor& data,
                         const ElementLayout& layout, const GltfPlace& where,
                         const std::string& name, std::vector<float>& values) {
  const std::size_t count = static_cast<std::size_t>(std::max(data.sparse.count, 0));
  const int indexType = data.sparse.indices.componentType;
  const std::size_t indexSize = ComponentSize(indexType);
  if (indexSize == 0 || indexType == TINYGLTF_COMPONENT_TYPE_BYTE ||
      indexType == TINYGLTF_COMPONENT_TYPE_SHORT || count > data.count) {
    FailAt(where, name + ".sparse is malformed");
  }
  const unsigned char* indexes =
      ViewData(model, data.sparse.indices.bufferView,
               static_cast<std::size_t>(data.sparse.indices.byteOffset), count, indexSize,
               indexSize, where, name + ".sparse.indices");
  const unsigned char* sparseValues = ViewData(
      model, data.sparse.values.bufferView, static_cast<std::size_t>(data.sparse.values.byteOffset),
      count, layout.elementSize, layout.elementSize, where, name + ".sparse.values");
  for (std::size_t k = 0; k < count; ++k) {
    const uint32_t target = IndexValue(indexes + k * indexSize, indexType);
    if (target >= data.count) {
      FailAt(where, name + ".sparse.indices names element " + std::to_string(target) + " of " +
                        std::to_string(data.count));
    }
    for (std::size_t c = 0; c < layout.width; ++c) {
      values[target * layout.width + c] =
          ComponentValue(sparseValues + k * layout.elementSize + c * layout.componentSize,
                         data.componentType, data.normalized);
    }
  }
}

}  // namespace

const float* FloatAccessorData(const tinygltf::Model& model, int accessor, int components,
                               const GltfPlace& where, std::vector<float>& values) {
  const tinygltf::Accessor& data = FindAccessor(model, accessor, where);
  const std::string name = Indexed("accessors", accessor);
  ElementLayout layout;
  layout.componentSize = ComponentSize(data.componentType);
  if (ComponentCount(data.type) != components || layout.componentSize == 0 ||
      data.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
    FailAt(where, name + " does not hold " + std::to_string(components) +
                      "-component elements of a type glTF allows here");
  }
  layout.width = static_cast<std::size_t>(components);
  if (data.count > std::numeric_limits<std::size_t>::max() / (layout.width * 4)) {
    FailAt(where, name + " has too many elements");
  }
  layout.elementSize = layout.componentSize * layout.width;
  if (data.bufferView >= 0 && !data.sparse.isSparse &&
      data.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT &&
      static_cast<std::size_t>(data.bufferView) < model.bufferViews.size() &&
      model.bufferViews[static_cast<std::size_t>(data.bufferView)].byteStride == 0) {
    // Packed floats, the common case: read where they lie.
    const auto* bytes = reinterpret_cast<const float*>(
        ViewData(model, data.bufferView, data.byteOffset, data.count, layout.elementSize,
                 layout.elementSize, where, name));
    if (reinterpret_cast<std::uintptr_t>(bytes) % alignof(float) == 0) return bytes;
  }
  values.assign(data.count * layout.width, 0.0f);
  if (data.bufferView >= 0) ReadDenseElements(model, data, layout, where, name, values);
  if (data.sparse.isSparse) ApplySparseElements(model, data, layout, where, name, values);
  return values.data();
}

std::vector<float> ReadFloatAccessor(const tinygltf::Model& model, int accessor, int components,
                                     const GltfPlace& where) {
  std::vector<float> values;
  const float* data = FloatAccessorData(model, accessor, components, where, values);
  if (data != values.data()) {
    values.assign(
        data, data + AccessorCount(model, accessor, where) * static_cast<std::size_t>(components));
  }
  return values;
}

std::vector<uint32_t> ReadIndexAccessor(const tinygltf::Model& model, int accessor,
                                        std::size_t vertexCount, const GltfPlace& where) {
  std::vector<uint32_t> indexes;
  AppendIndexes(model, accessor, vertexCount, 0u, where, indexes);
  return indexes;
}

void AppendIndexAccessor(const tinygltf::Model& model, int accessor, std::size_t vertexCount,
                         int32_t offset, const GltfPlace& where, std::vector<int32_t>& indexes) {
  AppendIndexes(model, accessor, vertexCount, offset, where, indexes);
}

}  // namespace palisor_scene
