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
#include "scene/gltf/gltf_new_data.h"
#include "scene/gltf/gltf_skin_export.h"
#include "scene/gltf/gltf_vrm.h"
#include "scene/gltf/gltf_weight_animations.h"

namespace palisor_scene {

namespace {

constexpr const char* kZeros = kGltfPadding;

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

// What the new targets go into and come from.
struct TargetSources {
  const GltfScene& scene;
  int32_t sceneIndex;
  const RunResult& result;
  // Whether the new targets' weights follow the Source's animations.
  bool followAnimation;
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

const GltfMeshNode& MeshNodeOf(const TargetSources& sources, std::size_t row) {
  const ResultRow& destination = sources.result.destinations[row];
  return sources.scene.file
      ->meshNodes[sources.scene.origins[destination.first.origin.object]->meshNode];
}

// The Destinations whose meshes moved into the space they have once skinned, by row, with what
// their new targets pass through.
using MeshBakes = std::map<std::size_t, std::unique_ptr<MeshBake>>;

// Gives every Destination with weights the Source's skin.
MeshBakes GiveSkins(OrderedJson& json, const TargetSources& sources, NewData& data) {
  MeshBakes bakes;
  for (const DestinationWeights& weights : sources.result.weights) {
    std::unique_ptr<MeshBake> bake =
        GiveSkin(json, *sources.scene.file, MeshNodeOf(sources, weights.row), weights, data);
    if (bake) bakes[weights.row] = std::move(bake);
  }
  return bakes;
}

// Adds the new targets of one Destination to its mesh, moved as `bakes` says.
void AddTargets(OrderedJson& json, const TargetSources& sources, const DestinationTargets& plan,
                const MeshBakes& bakes, NewData& data) {
  const GltfFile& file = *sources.scene.file;
  std::vector<NewMorphTarget> targets =
      ExportMorphTargets(sources.scene, sources.sceneIndex, sources.result, plan);
  const auto bake = bakes.find(plan.row);
  if (bake != bakes.end()) {
    for (NewMorphTarget& target : targets) bake->second->MoveTarget(target);
  }
  const GltfMeshNode& meshNode = MeshNodeOf(sources, plan.row);
  OrderedJson& mesh = json["meshes"][static_cast<std::size_t>(meshNode.mesh)];
  OrderedJson& primitives = mesh["primitives"];
  const std::size_t before = primitives.empty() || !primitives[0].contains("targets")
                                 ? 0
                                 : primitives[0]["targets"].size();
  GrownMesh grown{meshNode.mesh, meshNode.node, before, plan.names.size(), {}};
  for (std::size_t t = 0; t < targets.size(); ++t) {
    const DestinationTargets::NewTarget& made = plan.made[t];
    PlaceTarget(primitives, made, targets[t], data);
    if (targets[t].sourceTarget != nullptr) {
      const GltfMeshNode& source = file.meshNodes[targets[t].sourceTarget->meshNode];
      BindLikeSource(json,
                     MorphTargetRef{source.node, source.mesh, targets[t].sourceTarget->target},
                     MorphTargetRef{meshNode.node, meshNode.mesh, static_cast<int>(made.index)});
      if (sources.followAnimation) {
        grown.followed.push_back(FollowedTarget{
            source.node, static_cast<std::size_t>(targets[t].sourceTarget->target), made.index});
      }
    }
  }
  OrderedJson& extras = mesh["extras"];
  if (!extras.is_object()) extras = OrderedJson::object();
  extras["targetNames"] = plan.names;
  AnimateGrownMesh(json, file, grown, data);
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
      GatherBinaryChunk(json, *sources.scene.file,
                        !sources.result.targets.empty() || !sources.result.weights.empty());
  NewData data(json, 0, chunk.size);
  const MeshBakes bakes = GiveSkins(json, sources, data);
  for (const DestinationTargets& plan : sources.result.targets) {
    AddTargets(json, sources, plan, bakes, data);
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
  const TargetSources sources{scene, sceneIndex, result, output.followAnimation};
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
  const MeshBakes bakes = GiveSkins(json, sources, data);
  for (const DestinationTargets& plan : sources.result.targets)
    AddTargets(json, sources, plan, bakes, data);
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
