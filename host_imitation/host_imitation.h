// The imitated host application: its documents and objects, the texts it hands out, the plug-ins
// that answer user messages, and a log of every call a plug-in makes. One instance per process,
// like the host itself; tests reset it between scenarios.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/call_log.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "host_imitation/widget_service.h"

namespace host_imitation {

// A user message (code 101) as a receiving plug-in sees it.
struct UserMessage {
  MQDocument document = nullptr;
  uint32_t senderProduct = 0;
  uint32_t senderId = 0;
  std::string description;
  void* message = nullptr;
};

// Answers a user message; no value leaves the sender's result slot untouched.
using PeerPlugin = std::function<std::optional<int32_t>(const UserMessage&)>;

class HostImitation {
 public:
  static HostImitation& Instance();

  // Drops every document, object, peer and logged call and restores the default texts.
  void Reset();

  HostDocument& NewDocument();
  // A new object with the given vertices and faces, appended to the document.
  HostObject& AddObject(HostDocument& document, const std::string& name,
                        const std::vector<MQPoint>& vertices = {},
                        const std::vector<std::vector<int32_t>>& faces = {});
  // A new object in no document.
  HostObject& NewObject(const std::string& name);
  HostObject& CloneObject(const HostObject& original);

  // The object behind a handle the plug-in passed, or null (noted as misuse) when the handle is
  // null, unknown or names a destroyed object.
  HostObject* ResolveObject(MQObject handle, const char* function);
  HostDocument* ResolveDocument(MQDocument handle, const char* function);

  void RegisterPeer(uint32_t product, uint32_t id, PeerPlugin peer);
  void RemovePeer(uint32_t product, uint32_t id);
  const PeerPlugin* FindPeer(uint32_t product, uint32_t id) const;

  void SetText(const std::string& id, const std::u16string& text) { texts_[id] = text; }
  void RemoveText(const std::string& id) { texts_.erase(id); }
  const std::u16string* FindText(const std::string& id) const;

  // Calls that a real host would reject or crash on: dead handles, indexes out of range, calls
  // from a thread other than the host's.
  void NoteMisuse(const std::string& what) { misuse_.push_back(what); }
  const std::vector<std::string>& misuse() const { return misuse_; }
  // Notes a call made off the thread that owns the host.
  void CheckThread(const char* function);

  // The widget service: widgets, modal runs with their scripted user, message boxes, events.
  WidgetService& widgets() { return widgets_; }

  CallLog log;

 private:
  HostImitation();

  WidgetService widgets_;
  int32_t nextSerial_ = 1;
  std::vector<std::unique_ptr<HostDocument>> documents_;
  // Every object ever made stays allocated, so that a stale handle is recognised, not reused.
  std::vector<std::unique_ptr<HostObject>> objects_;
  std::map<std::pair<uint32_t, uint32_t>, PeerPlugin> peers_;
  std::map<std::string, std::u16string> texts_;
  std::vector<std::string> misuse_;
  std::thread::id hostThread_;
};

// Shorthand for the process's host.
inline HostImitation& Host() {
  return HostImitation::Instance();
}

}  // namespace host_imitation
