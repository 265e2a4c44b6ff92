// The imitated host's document, object and message functions, exported by name as the real host
// exports them. Each logs itself when the log is on and never trusts a handle it is given.
#include <cstring>

#include "host_imitation/host_exports.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/key_lookup.h"
#include "host_imitation/log_format.h"

using host_imitation::DescribeDocument;
using host_imitation::DescribeObject;
using host_imitation::Host;
using host_imitation::HostCall;
using host_imitation::HostDocument;
using host_imitation::HostObject;

namespace {

void Log(const char* function, std::vector<std::string> arguments,
         std::vector<std::pair<std::string, std::string>> values = {}) {
  Host().log.calls.push_back(HostCall{function, std::move(arguments), std::move(values)});
}

// Logging is off on the hot paths unless a test asks for it.
#define LOG_CALL(...)                                 \
  do {                                                \
    host_imitation::HostImitation& host = Host();     \
    host.CheckThread(__func__);                       \
    if (host.log.enabled) Log(__func__, __VA_ARGS__); \
  } while (false)

HostObject* VertexOwner(MQObject object, int32_t vertex, const char* function) {
  host_imitation::HostImitation& host = Host();
  HostObject* owner = host.ResolveObject(object, function);
  if (owner != nullptr && (vertex < 0 || vertex >= owner->VertexCount())) {
    host.NoteMisuse(std::string(function) + ": vertex " + std::to_string(vertex) +
                    " out of range on obj" + std::to_string(owner->serial));
    return nullptr;
  }
  return owner;
}

int32_t DeliverUserMessage(const MQSendMessageInfo& info) {
  const MQKeyValuePair* pairs = info.option;
  auto* targetProduct = host_imitation::FindValue<uint32_t>(pairs, "target_product");
  auto* targetId = host_imitation::FindValue<uint32_t>(pairs, "target_id");
  auto* result = host_imitation::FindValue<int32_t>(pairs, "result");
  if (Host().log.enabled) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const MQKeyValuePair* pair = pairs; pair != nullptr && pair->name != nullptr; ++pair) {
      const std::string key = pair->name;
      std::string value;
      if (key == "document") {
        value = DescribeDocument(static_cast<MQDocument>(pair->value));
      } else if (key == "target_product" || key == "target_id") {
        value = pair->value ? host_imitation::DescribeHex(*static_cast<uint32_t*>(pair->value))
                            : "null";
      } else if (key == "description") {
        value = host_imitation::DescribeText(static_cast<const char*>(pair->value));
      } else if (key == "result") {
        value = pair->value ? std::to_string(*static_cast<int32_t*>(pair->value)) : "null";
      } else {
        value = pair->value ? "pointer" : "null";
      }
      values.emplace_back(key, value);
    }
    Log("MQ_SendMessage",
        {"101", host_imitation::DescribeHex(info.product), host_imitation::DescribeHex(info.id)},
        std::move(values));
  }
  if (targetProduct == nullptr || targetId == nullptr) return 0;
  const host_imitation::PeerPlugin* peer = Host().FindPeer(*targetProduct, *targetId);
  if (peer == nullptr) return 0;
  host_imitation::UserMessage message;
  message.document = static_cast<MQDocument>(host_imitation::FindValue(pairs, "document"));
  message.senderProduct = info.product;
  message.senderId = info.id;
  const char* description = host_imitation::FindValue<const char>(pairs, "description");
  message.description = description != nullptr ? description : "";
  message.message = host_imitation::FindValue<void>(pairs, "message");
  std::optional<int32_t> answer = (*peer)(message);
  if (answer && result != nullptr) *result = *answer;
  return 1;
}

int32_t AnswerTextRequest(const MQSendMessageInfo& info) {
  const MQKeyValuePair* pairs = info.option;
  const char* id = host_imitation::FindValue<const char>(pairs, "id");
  auto* buffer = host_imitation::FindValue<char16_t>(pairs, "result");
  auto* bufferSize = host_imitation::FindValue<int32_t>(pairs, "result_size");
  if (Host().log.enabled) {
    Log("MQ_SendMessage",
        {"506", host_imitation::DescribeHex(info.product), host_imitation::DescribeHex(info.id)},
        {{"id", host_imitation::DescribeText(id)},
         {"result", buffer ? "buffer" : "null"},
         {"result_size", bufferSize ? std::to_string(*bufferSize) : "null"}});
  }
  const std::u16string* text = id != nullptr ? Host().FindText(id) : nullptr;
  if (text == nullptr || buffer == nullptr || bufferSize == nullptr || *bufferSize <= 0) return 0;
  const std::size_t length = std::min(text->size(), static_cast<std::size_t>(*bufferSize) - 1);
  std::memcpy(buffer, text->data(), length * sizeof(char16_t));
  buffer[length] = u'\0';
  return 1;
}

}  // namespace

MQ_HOST_EXPORT MQBool MQ_CALL MQ_SendMessage(int32_t message, MQSendMessageInfo* info) {
  Host().CheckThread(__func__);
  if (info == nullptr) {
    Host().NoteMisuse("MQ_SendMessage: null record");
    return 0;
  }
  if (message == MQMESSAGE_USER_MESSAGE) return DeliverUserMessage(*info);
  if (message == MQMESSAGE_GET_RESOURCE_STRING) return AnswerTextRequest(*info);
  LOG_CALL({std::to_string(message)});
  return 0;
}

MQ_HOST_EXPORT int32_t MQ_CALL MQDoc_GetObjectCount(MQDocument document) {
  LOG_CALL({DescribeDocument(document)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  return known != nullptr ? known->SlotCount() : 0;
}

MQ_HOST_EXPORT MQObject MQ_CALL MQDoc_GetObject(MQDocument document, int32_t index) {
  LOG_CALL({DescribeDocument(document), std::to_string(index)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  if (known == nullptr) return nullptr;
  HostObject* object = known->ObjectAt(index);
  return object != nullptr ? object->handle() : nullptr;
}

MQ_HOST_EXPORT int32_t MQ_CALL MQDoc_GetObjectIndex(MQDocument document, MQObject object) {
  LOG_CALL({DescribeDocument(document), DescribeObject(object)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  // Any handle may be asked about, dead ones included: the answer is then -1.
  auto* candidate = reinterpret_cast<HostObject*>(object);
  return known != nullptr ? known->IndexOf(candidate) : -1;
}

MQ_HOST_EXPORT void MQ_CALL MQDoc_GetUnusedObjectName(MQDocument document, char* buffer,
                                                      int32_t bufferSize, const char* baseName) {
  LOG_CALL({DescribeDocument(document), std::to_string(bufferSize),
            host_imitation::DescribeText(baseName)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  if (known == nullptr || buffer == nullptr || bufferSize <= 0) return;
  const std::string name = known->UnusedName(baseName != nullptr ? baseName : "", bufferSize);
  std::memcpy(buffer, name.c_str(), name.size() + 1);
}

MQ_HOST_EXPORT int32_t MQ_CALL MQDoc_InsertObject(MQDocument document, MQObject object,
                                                  MQObject reference) {
  LOG_CALL({DescribeDocument(document), DescribeObject(object), DescribeObject(reference)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  HostObject* inserted = Host().ResolveObject(object, __func__);
  if (known == nullptr || inserted == nullptr) return -1;
  if (inserted->document != nullptr) {
    Host().NoteMisuse("MQDoc_InsertObject: object already in a document");
    return -1;
  }
  auto* referenceObject = reinterpret_cast<HostObject*>(reference);
  if (referenceObject != nullptr && known->IndexOf(referenceObject) < 0) {
    Host().NoteMisuse("MQDoc_InsertObject: reference object not in the document");
  }
  return known->InsertAfter(inserted, referenceObject);
}

MQ_HOST_EXPORT void MQ_CALL MQDoc_DeleteObject(MQDocument document, int32_t index) {
  LOG_CALL({DescribeDocument(document), std::to_string(index)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  if (known == nullptr) return;
  if (known->ObjectAt(index) == nullptr) {
    Host().NoteMisuse("MQDoc_DeleteObject: no object at " + std::to_string(index));
    return;
  }
  known->DeleteAt(index);
}

MQ_HOST_EXPORT MQBool MQ_CALL MQDoc_IsSelectVertex(MQDocument document, int32_t objectIndex,
                                                   int32_t vertexIndex) {
  LOG_CALL({DescribeDocument(document), std::to_string(objectIndex), std::to_string(vertexIndex)});
  HostDocument* known = Host().ResolveDocument(document, __func__);
  HostObject* object = known != nullptr ? known->ObjectAt(objectIndex) : nullptr;
  return object != nullptr && object->IsVertexSelected(vertexIndex) ? 1 : 0;
}

MQ_HOST_EXPORT MQObject MQ_CALL MQObj_Clone(MQObject object) {
  LOG_CALL({DescribeObject(object)});
  HostObject* original = Host().ResolveObject(object, __func__);
  return original != nullptr ? Host().CloneObject(*original).handle() : nullptr;
}

MQ_HOST_EXPORT void MQ_CALL MQObj_Delete(MQObject object) {
  LOG_CALL({DescribeObject(object)});
  HostObject* doomed = Host().ResolveObject(object, __func__);
  if (doomed == nullptr) return;
  if (doomed->document != nullptr) {
    Host().NoteMisuse("MQObj_Delete: object still in a document");
    return;
  }
  doomed->destroyed = true;
  doomed->ReleaseGeometry();
}

MQ_HOST_EXPORT int32_t MQ_CALL MQObj_GetIntValue(MQObject object, int32_t attribute) {
  LOG_CALL({DescribeObject(object), std::to_string(attribute)});
  HostObject* known = Host().ResolveObject(object, __func__);
  return known != nullptr ? known->IntValue(attribute) : 0;
}

MQ_HOST_EXPORT void MQ_CALL MQObj_SetIntValue(MQObject object, int32_t attribute, int32_t value) {
  LOG_CALL({DescribeObject(object), std::to_string(attribute), std::to_string(value)});
  HostObject* known = Host().ResolveObject(object, __func__);
  if (known != nullptr) known->intValues[attribute] = value;
}

MQ_HOST_EXPORT uint32_t MQ_CALL MQObj_GetVisible(MQObject object) {
  LOG_CALL({DescribeObject(object)});
  HostObject* known = Host().ResolveObject(object, __func__);
  return known != nullptr ? known->visible : 0;
}

MQ_HOST_EXPORT void MQ_CALL MQObj_SetVisible(MQObject object, uint32_t visible) {
  LOG_CALL({DescribeObject(object), std::to_string(visible)});
  HostObject* known = Host().ResolveObject(object, __func__);
  if (known != nullptr) known->visible = visible;
}

MQ_HOST_EXPORT void MQ_CALL MQObj_SetName(MQObject object, const char* name) {
  LOG_CALL({DescribeObject(object), host_imitation::DescribeText(name)});
  HostObject* known = Host().ResolveObject(object, __func__);
  if (known != nullptr) known->name = name != nullptr ? name : "";
}

MQ_HOST_EXPORT void MQ_CALL MQObj_PointerArray(MQObject object, int32_t request, void** pointers) {
  LOG_CALL({DescribeObject(object), std::to_string(request)});
  HostObject* known = Host().ResolveObject(object, __func__);
  if (known == nullptr || request != MQOBJECT_POINTER_NAME || pointers == nullptr) return;
  auto* buffer = static_cast<char*>(pointers[0]);
  auto* limit = static_cast<int32_t*>(pointers[1]);
  if (buffer == nullptr || limit == nullptr || *limit <= 0) return;
  // The name is cut to the size given, and always terminated.
  const std::size_t length = std::min(known->name.size(), static_cast<std::size_t>(*limit) - 1);
  std::memcpy(buffer, known->name.data(), length);
  buffer[length] = '\0';
}

MQ_HOST_EXPORT int32_t MQ_CALL MQObj_GetVertexCount(MQObject object) {
  LOG_CALL({DescribeObject(object)});
  HostObject* known = Host().ResolveObject(object, __func__);
  return known != nullptr ? known->VertexCount() : 0;
}

MQ_HOST_EXPORT int32_t MQ_CALL MQObj_GetVertexRefCount(MQObject object, int32_t vertex) {
  LOG_CALL({DescribeObject(object), std::to_string(vertex)});
  HostObject* known = VertexOwner(object, vertex, __func__);
  return known != nullptr ? known->RefCount(vertex) : 0;
}

MQ_HOST_EXPORT void MQ_CALL MQObj_GetVertex(MQObject object, int32_t vertex, MQPoint* position) {
  LOG_CALL({DescribeObject(object), std::to_string(vertex)});
  HostObject* known = VertexOwner(object, vertex, __func__);
  if (position == nullptr) return;
  *position = known != nullptr ? known->vertices[static_cast<std::size_t>(vertex)] : MQPoint{};
}

MQ_HOST_EXPORT void MQ_CALL MQObj_SetVertex(MQObject object, int32_t vertex, MQPoint* position) {
  LOG_CALL(
      {DescribeObject(object), std::to_string(vertex), host_imitation::DescribePoint(position)});
  HostObject* known = VertexOwner(object, vertex, __func__);
  if (known != nullptr && position != nullptr) {
    known->vertices[static_cast<std::size_t>(vertex)] = *position;
  }
}

// The host functions this imitation does not model: exported so that a plug-in resolves them,
// and doing nothing, since no plug-in of this project calls them.
#define MQ_HOST_FUNCTION_STUB_TYPED(name)
#define MQ_HOST_FUNCTION_STUB_GENERIC(name)    \
  MQ_HOST_EXPORT void MQ_CALL name(void) {     \
    Host().NoteMisuse(#name ": not modelled"); \
  }
#define MQ_HOST_FUNCTION(name, kind) MQ_HOST_FUNCTION_STUB_##kind(name)
#include "host/host_function_list.h"
#undef MQ_HOST_FUNCTION
