#include "scene/gltf/gltf_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>

#include "parallel/parallel_chunks.h"
#include "scene/disk_writeback.h"
#include "scene/gltf/gltf_accessor.h"
#include "scene/gltf/gltf_morph_export.h"
#include "scene/gltf/gltf_vrm.h"

namespace palisor_scene {

namespace {

constexpr int kFloatComponent = 5126;
// Padding of the binary data.
constexpr char kZeros[4] = {0, 0, 0, 0};

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                       static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    text += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], kDigits[n & 63]};
  }
  if (i < bytes.size()) {
    uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    text += kDigits[n >> 18];
    text += kDigits[(n >> 12) & 63];
    text += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

bool IsRelativeReference(const std::string& uri) {
  if (uri.empty() || uri[0] == '/' || uri[0] == '\\') return false;
  const std::size_t colon = uri.find(':');
  const std::size_t slash = uri.find('/');
  return colon == std::string::npos || (slash != std::string::npos && slash < colon);
}

std::string PercentEncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("-._~/!$&'()*+,;=@", c) != nullptr || c >= 0x80) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 15];
    }
  }
  return encoded;
}

// Relative URIs of external files, made relative to the folder of the file written instead of
// the folder of the file read, so that they keep naming the same files.
void RebaseUris(OrderedJson& json, const std::string& inputPath, const std::string& outputPath) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path from = fs::absolute(fs::path(inputPath), error).parent_path();
  const fs::path to = fs::absolute(fs::path(outputPath), error).parent_path();
  if (error || fs::equivalent(from, to, error)) return;
  fs::path prefix = from.lexically_relative(to);
  if (prefix.empty()) prefix = from;
  const std::string start = PercentEncodePath(prefix.generic_string());
  for (const char* array : {"buffers", "images"}) {
    const auto items = json.find(array);
    if (items == json.end() || !items->is_array()) continue;
    for (OrderedJson& item : *items) {
      const auto uri = item.find("uri");
      if (uri == item.end() || !uri->is_string()) continue;
      const std::string text = uri->get<std::string>();
      if (IsRelativeReference(text)) *uri = start + "/" + text;
    }
  }
}

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

// The bytes added to the file and the views and accessors over them. The added values are kept
// as they are, to be written from where they lie.
class NewData {
 public:
  NewData(OrderedJson& json, int buffer, std::size_t start)
      : json_(json), buffer_(buffer), start_(start), size_(start) {}

  // A float accessor of `components` per element; with min and max when asked.
  int AddFloats(std::vector<float> values, int components, const char* type, bool withBounds) {
    const std::size_t padding = (4 - size_ % 4) % 4;
    size_ += padding;
    const std::size_t byteLength = values.size() * sizeof(float);
    OrderedJson& views = Array("bufferViews");
    OrderedJson view = {{"buffer", buffer_}, {"byteOffset", size_}, {"byteLength", byteLength}};
    views.push_back(std::move(view));
    const std::size_t width = static_cast<std::size_t>(components);
    OrderedJson accessor = {{"bufferView", views.size() - 1},
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
    size_ += byteLength;
    pieces_.push_back(Piece{padding, std::move(values)});
    return static_cast<int>(accessors.size() - 1);
  }

  // The count of bytes added.
  std::size_t size() const { return size_ - start_; }

  // Hands the added bytes over to `bytes`, after whatever it holds.
  void MoveInto(GltfBytes& bytes) {
    for (Piece& piece : pieces_) {
      bytes.Refer(kZeros, piece.padding);
      bytes.Add(std::move(piece.values));
    }
    pieces_.clear();
  }

 private:
  struct Piece {
    std::size_t padding;
    std::vector<float> values;
  };

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

void ExtendWithZeros(OrderedJson& object, const char* key, std::size_t added) {
  const auto weights = object.find(key);
  if (weights == object.end() || !weights->is_array()) return;
  for (std::size_t i = 0; i < added; ++i) weights->push_back(0);
}

// Animations of the morph weights of nodes that show `mesh`: their outputs get a 0 for every
// target added after the `before` there were.
void WidenWeightAnimations(OrderedJson& json, const GltfFile& file, int mesh, std::size_t before,
                           std::size_t after, NewData& data) {
  const tinygltf::Model& model = file.model;
  const auto animations = json.find("animations");
  if (animations == json.end() || !animations->is_array()) return;
  for (std::size_t a = 0; a < animations->size() && a < model.animations.size(); ++a) {
    const tinygltf::Animation& animation = model.animations[a];
    std::map<int, bool> widened;
    for (const tinygltf::AnimationChannel& channel : animation.channels) {
      if (channel.target_path != "weights" || channel.target_node < 0 ||
          static_cast<std::size_t>(channel.target_node) >= model.nodes.size() ||
          model.nodes[static_cast<std::size_t>(channel.target_node)].mesh != mesh) {
        continue;
      }
      if (channel.sampler < 0 ||
          static_cast<std::size_t>(channel.sampler) >= animation.samplers.size() ||
          widened[channel.sampler]) {
        continue;
      }
      widened[channel.sampler] = true;
      const tinygltf::AnimationSampler& sampler =
          animation.samplers[static_cast<std::size_t>(channel.sampler)];
      const std::string place = "animations[" + std::to_string(a) + "].samplers[" +
                                std::to_string(channel.sampler) + "].output";
      const std::vector<float> values =
          ReadFloatAccessor(model, sampler.output, 1, GltfPlace{file.path, place});
      if (before == 0 || values.size() % before != 0) continue;
      const std::size_t groups = values.size() / before;
      std::vector<float> wider(groups * after, 0.0f);
      for (std::size_t g = 0; g < groups; ++g) {
        std::copy(values.begin() + static_cast<std::ptrdiff_t>(g * before),
                  values.begin() + static_cast<std::ptrdiff_t>((g + 1) * before),
                  wider.begin() + static_cast<std::ptrdiff_t>(g * after));
      }
      (*animations)[a]["samplers"][static_cast<std::size_t>(channel.sampler)]["output"] =
          data.AddFloats(std::move(wider), 1, "SCALAR", false);
    }
  }
}

// What the new targets go into and come from.
struct TargetSources {
  const GltfScene& scene;
  int32_t sceneIndex;
  const RunResult& result;
};

// Places one new target in every primitive of the mesh, as the plan says.
void PlaceTarget(OrderedJson& primitives, const DestinationTargets::NewTarget& made,
                 NewMorphTarget& target, NewData& data) {
  for (std::size_t p = 0; p < target.primitives.size() && p < primitives.size(); ++p) {
    PrimitiveTarget& exported = target.primitives[p];
    OrderedJson attributes = {
        {"POSITION", data.AddFloats(std::move(exported.positions), 3, "VEC3", true)}};
    if (!exported.normals.empty()) {
      attributes["NORMAL"] = data.AddFloats(std::move(exported.normals), 3, "VEC3", false);
    }
    OrderedJson& targets = primitives[p]["targets"];
    if (!targets.is_array()) targets = OrderedJson::array();
    if (made.replacing) {
      targets[made.index] = std::move(attributes);
    } else {
      targets.push_back(std::move(attributes));
    }
  }
}

// Gives the mesh's weights, its nodes' weights and their weight animations a 0 per target added.
void WidenWeights(OrderedJson& json, const GltfFile& file, int mesh, std::size_t before,
                  std::size_t after, NewData& data) {
  if (after <= before) return;
  ExtendWithZeros(json["meshes"][static_cast<std::size_t>(mesh)], "weights", after - before);
  const auto nodes = json.find("nodes");
  if (nodes != json.end() && nodes->is_array()) {
    for (std::size_t n = 0; n < nodes->size() && n < file.model.nodes.size(); ++n) {
      if (file.model.nodes[n].mesh == mesh) ExtendWithZeros((*nodes)[n], "weights", after - before);
    }
  }
  WidenWeightAnimations(json, file, mesh, before, after, data);
}

// Adds the new targets of one Destination to its mesh.
void AddTargets(OrderedJson& json, const TargetSources& sources, const DestinationTargets& plan,
                NewData& data) {
  const GltfFile& file = *sources.scene.file;
  std::vector<NewMorphTarget> targets =
      ExportMorphTargets(sources.scene, sources.sceneIndex, sources.result, plan);
  const ResultRow& row = sources.result.destinations[plan.row];
  const GltfMeshNode& meshNode =
      file.meshNodes[sources.scene.origins[row.first.origin.object]->meshNode];
  OrderedJson& mesh = json["meshes"][static_cast<std::size_t>(meshNode.mesh)];
  OrderedJson& primitives = mesh["primitives"];
  const std::size_t before = primitives.empty() || !primitives[0].contains("targets")
                                 ? 0
                                 : primitives[0]["targets"].size();
  for (std::size_t t = 0; t < targets.size(); ++t) {
    const DestinationTargets::NewTarget& made = plan.made[t];
    PlaceTarget(primitives, made, targets[t], data);
    if (targets[t].sourceTarget != nullptr) {
      const GltfMeshNode& source = file.meshNodes[targets[t].sourceTarget->meshNode];
      BindLikeSource(json,
                     MorphTargetRef{source.node, source.mesh, targets[t].sourceTarget->target},
                     MorphTargetRef{meshNode.node, meshNode.mesh, static_cast<int>(made.index)});
    }
  }
  OrderedJson& extras = mesh["extras"];
  if (!extras.is_object()) extras = OrderedJson::object();
  extras["targetNames"] = plan.names;
  WidenWeights(json, file, meshNode.mesh, before, plan.names.size(), data);
}

void AppendWord(std::string& out, uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

// The binary chunk of a .glb result (buffer 0): whatever the input held inside itself (its own
// binary chunk, buffers given as data URIs), referred to where it lies; external buffers stay
// external. The buffer views are pointed at the bytes' new places.
struct BinaryChunk {
  bool needed = false;
  std::vector<std::pair<const char*, std::size_t>> pieces;
  std::size_t size = 0;
};

BinaryChunk GatherBinaryChunk(OrderedJson& json, const GltfFile& file, bool targetsAdded) {
  OrderedJson& buffers = json["buffers"];
  auto embedded = [&](std::size_t i) {
    if (i >= file.model.buffers.size()) return false;
    const auto uri = buffers[i].find("uri");
    if (uri == buffers[i].end()) return file.binary && i == 0;
    return uri->is_string() && uri->get<std::string>().rfind("data:", 0) == 0;
  };
  BinaryChunk chunk;
  chunk.needed = targetsAdded;
  for (std::size_t i = 0; i < buffers.size(); ++i) chunk.needed = chunk.needed || embedded(i);
  // Per buffer of the input: its index in the result and where its bytes start there.
  std::vector<std::pair<int64_t, std::size_t>> moved(buffers.size());
  OrderedJson kept = OrderedJson::array();
  if (chunk.needed) kept.push_back(OrderedJson::object());
  for (std::size_t i = 0; i < buffers.size(); ++i) {
    if (chunk.needed && embedded(i)) {
      const std::size_t padding = (4 - chunk.size % 4) % 4;
      if (padding != 0) chunk.pieces.emplace_back(kZeros, padding);
      chunk.size += padding;
      moved[i] = {0, chunk.size};
      const auto& data = file.model.buffers[i].data;
      chunk.pieces.emplace_back(reinterpret_cast<const char*>(data.data()), data.size());
      chunk.size += data.size();
    } else {
      moved[i] = {static_cast<int64_t>(kept.size()), 0};
      kept.push_back(buffers[i]);
    }
  }
  const auto views = json.find("bufferViews");
  if (views != json.end() && views->is_array()) {
    for (OrderedJson& view : *views) {
      const auto buffer = view.find("buffer");
      if (buffer == view.end() || !buffer->is_number_unsigned() ||
          buffer->get<std::size_t>() >= moved.size()) {
        continue;
      }
      const auto& place = moved[buffer->get<std::size_t>()];
      *buffer = place.first;
      if (place.second != 0) {
        view["byteOffset"] = view.value("byteOffset", std::size_t{0}) + place.second;
      }
    }
  }
  buffers = std::move(kept);
  return chunk;
}

// A .glb result: the JSON chunk, then the binary chunk with the new bytes after the old. The
// chunk's large parts are written from where they lie.
GltfBytes BinaryResult(OrderedJson& json, const TargetSources& sources) {
  const BinaryChunk chunk =
      GatherBinaryChunk(json, *sources.scene.file, !sources.result.targets.empty());
  NewData data(json, 0, chunk.size);
  for (const DestinationTargets& plan : sources.result.targets) {
    AddTargets(json, sources, plan, data);
  }
  const std::size_t added = data.size();
  if (chunk.needed) json["buffers"][0]["byteLength"] = chunk.size + added;
  for (const char* array : {"buffers", "bufferViews", "accessors"}) {
    if (json[array].empty()) json.erase(array);
  }
  std::string head = json.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
  const std::size_t jsonLength = (head.size() + 3) & ~std::size_t{3};
  const std::size_t binLength = (chunk.size + added + 3) & ~std::size_t{3};
  const std::size_t total = 20 + jsonLength + (chunk.needed ? 8 + binLength : 0);
  std::string header;
  AppendWord(header, 0x46546C67);
  AppendWord(header, 2);
  AppendWord(header, static_cast<uint32_t>(total));
  AppendWord(header, static_cast<uint32_t>(jsonLength));
  AppendWord(header, 0x4E4F534A);
  head.insert(0, header);
  head.resize(20 + jsonLength, ' ');
  if (chunk.needed) {
    AppendWord(head, static_cast<uint32_t>(binLength));
    AppendWord(head, 0x004E4942);
  }
  GltfBytes bytes;
  bytes.Add(std::move(head));
  for (const auto& piece : chunk.pieces) bytes.Refer(piece.first, piece.second);
  data.MoveInto(bytes);
  if (chunk.needed) bytes.Refer(kZeros, binLength - chunk.size - added);
  return bytes;
}

}  // namespace

void GltfBytes::Add(std::string owned) {
  owned_.push_back(std::move(owned));
  pieces_.emplace_back(owned_.back().data(), owned_.back().size());
}

void GltfBytes::Add(std::vector<float> owned) {
  ownedFloats_.push_back(std::move(owned));
  Refer(ownedFloats_.back().data(), ownedFloats_.back().size() * sizeof(float));
}

void GltfBytes::Refer(const void* data, std::size_t size) {
  if (size != 0) pieces_.emplace_back(static_cast<const char*>(data), size);
}

int GltfBytes::Write(std::FILE* file) const {
  // Written in slices, each handed to the disk while the next is written.
  constexpr std::size_t kSlice = std::size_t{8} << 20;
  uint64_t written = 0;
  uint64_t handedOver = 0;
  for (const auto& piece : pieces_) {
    for (std::size_t done = 0; done < piece.second;) {
      const std::size_t size = std::min(kSlice, piece.second - done);
      if (std::fwrite(piece.first + done, 1, size, file) != size) return errno != 0 ? errno : EIO;
      done += size;
      written += size;
      if (written - handedOver >= kSlice) {
        StartWriteback(file, handedOver, written - handedOver);
        handedOver = written;
      }
    }
  }
  return 0;
}

std::string GltfBytes::Joined() const {
  std::string joined;
  for (const auto& piece : pieces_) joined.append(piece.first, piece.second);
  return joined;
}

GltfBytes WriteGltfResult(const GltfScene& scene, int32_t sceneIndex, const RunResult& result,
                          const GltfOutput& output) {
  const GltfFile& file = *scene.file;
  const TargetSources sources{scene, sceneIndex, result};
  OrderedJson json = file.json;
  // The members new data goes into exist before references into the JSON are held: adding a
  // member later could move the others.
  for (const char* array : {"buffers", "bufferViews", "accessors"}) {
    if (!json[array].is_array()) json[array] = OrderedJson::array();
  }
  RebaseUris(json, file.path, output.path);
  OrderedJson& buffers = json["buffers"];

  if (output.binary) {
    return BinaryResult(json, sources);
  }
  // New bytes go after those of the binary chunk of a .glb input, which becomes a data URI, or
  // else into a data URI buffer of their own.
  const bool chunkBuffer =
      file.binary && !buffers.empty() && !buffers[0].contains("uri") && !file.model.buffers.empty();
  std::string bytes;
  const int appendBuffer = chunkBuffer ? 0 : static_cast<int>(buffers.size());
  if (chunkBuffer)
    bytes.assign(file.model.buffers[0].data.begin(), file.model.buffers[0].data.end());
  NewData data(json, appendBuffer, bytes.size());
  for (const DestinationTargets& plan : sources.result.targets)
    AddTargets(json, sources, plan, data);
  GltfBytes added;
  data.MoveInto(added);
  bytes += added.Joined();
  if (chunkBuffer || bytes.size() > 0) {
    if (!chunkBuffer) json["buffers"].push_back(OrderedJson::object());
    OrderedJson& buffer = json["buffers"][static_cast<std::size_t>(appendBuffer)];
    buffer["byteLength"] = bytes.size();
    buffer["uri"] = "data:application/octet-stream;base64," + Base64(bytes);
  }
  for (const char* array : {"buffers", "bufferViews", "accessors"}) {
    if (json[array].empty()) json.erase(array);
  }
  GltfBytes written;
  written.Add(json.dump(-1, ' ', false, OrderedJson::error_handler_t::replace));
  return written;
}

}  // namespace palisor_scene
