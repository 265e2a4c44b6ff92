#include "host_imitation/host_imitation.h"

#include <stdexcept>

namespace host_imitation {

HostImitation& HostImitation::Instance() {
  static HostImitation instance;
  return instance;
}

HostImitation::HostImitation() {
  Reset();
}

void HostImitation::Reset() {
  documents_.clear();
  objects_.clear();
  peers_.clear();
  texts_.clear();
  texts_["Error"] = u"エラー";
  misuse_.clear();
  widgets_.Reset();
  log.Clear();
  hostThread_ = std::this_thread::get_id();
}

HostDocument& HostImitation::NewDocument() {
  documents_.push_back(std::make_unique<HostDocument>(nextSerial_++));
  return *documents_.back();
}

HostObject& HostImitation::NewObject(const std::string& name) {
  objects_.push_back(std::make_unique<HostObject>(nextSerial_++));
  objects_.back()->name = name;
  return *objects_.back();
}

HostObject& HostImitation::AddObject(HostDocument& document, const std::string& name,
                                     const std::vector<MQPoint>& vertices,
                                     const std::vector<std::vector<int32_t>>& faces) {
  HostObject& object = NewObject(name);
  for (const MQPoint& vertex : vertices) object.AddVertex(vertex);
  auto faceList = std::make_shared<FaceList>();
  for (const auto& face : faces) {
    for (int32_t corner : face) {
      if (corner < 0 || corner >= object.VertexCount()) {
        throw std::out_of_range("face corner out of range");
      }
      ++object.refCounts[static_cast<std::size_t>(corner)];
    }
    faceList->corners.insert(faceList->corners.end(), face.begin(), face.end());
    faceList->sizes.push_back(static_cast<int32_t>(face.size()));
  }
  if (!faces.empty()) object.faces = std::move(faceList);
  document.Append(&object);
  return object;
}

HostObject& HostImitation::CloneObject(const HostObject& original) {
  objects_.push_back(original.Clone(nextSerial_++));
  return *objects_.back();
}

HostObject* HostImitation::ResolveObject(MQObject handle, const char* function) {
  auto* object = reinterpret_cast<HostObject*>(handle);
  if (object == nullptr) {
    NoteMisuse(std::string(function) + ": null object");
    return nullptr;
  }
  if (object->magic != HostObject::kMagic) {
    NoteMisuse(std::string(function) + ": unknown object handle");
    return nullptr;
  }
  if (object->destroyed) {
    NoteMisuse(std::string(function) + ": destroyed object obj" + std::to_string(object->serial));
    return nullptr;
  }
  return object;
}

HostDocument* HostImitation::ResolveDocument(MQDocument handle, const char* function) {
  auto* document = reinterpret_cast<HostDocument*>(handle);
  if (document == nullptr || document->magic != HostDocument::kMagic) {
    NoteMisuse(std::string(function) + ": bad document handle");
    return nullptr;
  }
  return document;
}

void HostImitation::RegisterPeer(uint32_t product, uint32_t id, PeerPlugin peer) {
  peers_[{product, id}] = std::move(peer);
}

void HostImitation::RemovePeer(uint32_t product, uint32_t id) {
  peers_.erase({product, id});
}

const PeerPlugin* HostImitation::FindPeer(uint32_t product, uint32_t id) const {
  auto found = peers_.find({product, id});
  return found != peers_.end() ? &found->second : nullptr;
}

const std::u16string* HostImitation::FindText(const std::string& id) const {
  auto found = texts_.find(id);
  return found != texts_.end() ? &found->second : nullptr;
}

void HostImitation::CheckThread(const char* function) {
  if (std::this_thread::get_id() != hostThread_) {
    NoteMisuse(std::string(function) + ": called off the host's thread");
  }
}

}  // namespace host_imitation
