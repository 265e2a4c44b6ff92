#include "scene/gltf/gltf_new_data.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <utility>

#include "parallel/parallel_chunks.h"

namespace palisor_scene {

namespace {

constexpr int kFloatComponent = 5126;
constexpr int kUnsignedShortComponent = 5123;

// Below this many elements the bounds of an accessor are found on one thread.
constexpr std::size_t kElementsPerPart = std::size_t{1} << 15;

// Per component the least and the greatest value of `values` (NaNs passed over), the very ones
// std::min and std::max find taking the values in order; found on all cores.
void FindBounds(const std::vector<float>& values, std::size_t components, float* low, float* high) {
  struct PartBounds {
    std::size_t begin;
    std::vector<float> low, high;
  };
  std::vector<PartBounds> parts;
  std::mutex mutex;
  RunInChunks(
      values.size() / components, kElementsPerPart, [&](std::size_t begin, std::size_t end) {
        PartBounds part{begin,
                        std::vector<float>(components, std::numeric_limits<float>::infinity()),
                        std::vector<float>(components, -std::numeric_limits<float>::infinity())};
        for (std::size_t e = begin; e < end; ++e) {
          for (std::size_t c = 0; c < components; ++c) {
            part.low[c] = std::min(part.low[c], values[e * components + c]);
            part.high[c] = std::max(part.high[c], values[e * components + c]);
          }
        }
        const std::lock_guard<std::mutex> lock(mutex);
        parts.push_back(std::move(part));
      });
  // Parts taken in order keep the first of equal values (0 and -0), as one scan would.
  std::sort(parts.begin(), parts.end(),
            [](const PartBounds& a, const PartBounds& b) { return a.begin < b.begin; });
  for (std::size_t c = 0; c < components; ++c) {
    low[c] = std::numeric_limits<float>::infinity();
    high[c] = -std::numeric_limits<float>::infinity();
    for (const PartBounds& part : parts) {
      low[c] = std::min(low[c], part.low[c]);
      high[c] = std::max(high[c], part.high[c]);
    }
  }
}

}  // namespace

std::size_t NewData::AddView(std::size_t byteLength, std::size_t& padding) {
  padding = (4 - size_ % 4) % 4;
  size_ += padding;
  OrderedJson& views = Array("bufferViews");
  OrderedJson view = {{"buffer", buffer_}, {"byteOffset", size_}, {"byteLength", byteLength}};
  views.push_back(std::move(view));
  size_ += byteLength;
  return views.size() - 1;
}

int NewData::AddFloats(std::vector<float> values, int components, const char* type,
                       bool withBounds) {
  std::size_t padding = 0;
  const std::size_t view = AddView(values.size() * sizeof(float), padding);
  const std::size_t width = static_cast<std::size_t>(components);
  OrderedJson accessor = {{"bufferView", view},
                          {"componentType", kFloatComponent},
                          {"count", values.size() / width},
                          {"type", type}};
  if (withBounds && !values.empty()) {
    std::vector<float> low(width), high(width);
    FindBounds(values, width, low.data(), high.data());
    OrderedJson lowest = OrderedJson::array();
    OrderedJson highest = OrderedJson::array();
    for (std::size_t c = 0; c < width; ++c) {
      lowest.push_back(static_cast<double>(low[c]));
      highest.push_back(static_cast<double>(high[c]));
    }
    accessor["min"] = std::move(lowest);
    accessor["max"] = std::move(highest);
  }
  OrderedJson& accessors = Array("accessors");
  accessors.push_back(std::move(accessor));
  pieces_.push_back(Piece{padding, std::move(values), std::string()});
  return static_cast<int>(accessors.size() - 1);
}

int NewData::AddUnsigned(std::string bytes, int componentType, int components, const char* type) {
  const std::size_t elementSize =
      static_cast<std::size_t>(components) * (componentType == kUnsignedShortComponent ? 2 : 1);
  std::size_t padding = 0;
  const std::size_t count = bytes.size() / elementSize;
  const std::size_t view = AddView(bytes.size(), padding);
  OrderedJson& accessors = Array("accessors");
  accessors.push_back(OrderedJson{
      {"bufferView", view}, {"componentType", componentType}, {"count", count}, {"type", type}});
  pieces_.push_back(Piece{padding, {}, std::move(bytes)});
  return static_cast<int>(accessors.size() - 1);
}

void NewData::MoveInto(GltfBytes& bytes) {
  for (Piece& piece : pieces_) {
    bytes.Refer(kGltfPadding, piece.padding);
    if (piece.bytes.empty()) {
      bytes.Add(std::move(piece.values));
    } else {
      bytes.Add(std::move(piece.bytes));
    }
  }
  pieces_.clear();
}

}  // namespace palisor_scene
