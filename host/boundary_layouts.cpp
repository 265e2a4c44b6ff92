// The layouts of the records that cross between host and plug-in, checked at compile time. The
// host reads them as a 32-bit Windows program lays them out; 64-bit hosts of the same kind use the
// same fields at pointer width.
#include <cstddef>

#include "host/cmq_object.h"
#include "host/host_api.h"

namespace {

constexpr std::size_t kPointer = sizeof(void*);

static_assert(sizeof(MQBool) == 4, "a boolean crosses as a 32-bit integer");
static_assert(sizeof(MQWideChar) == 2, "wide text crosses as UTF-16 units");
static_assert(sizeof(MQPoint) == 12 && offsetof(MQPoint, y) == 4 && offsetof(MQPoint, z) == 8,
              "a position is three packed 32-bit floats");

// The message record: product, id, a reserved field and the option array, each 32 bits wide on
// the 32-bit target.
static_assert(offsetof(MQSendMessageInfo, product) == 0 && offsetof(MQSendMessageInfo, id) == 4 &&
                  offsetof(MQSendMessageInfo, reserved) == 8,
              "the message record starts with three 32-bit fields");
static_assert(offsetof(MQSendMessageInfo, option) == (kPointer == 4 ? 12 : 16),
              "the option array follows the three 32-bit fields, pointer-aligned");
static_assert(kPointer != 4 || sizeof(MQSendMessageInfo) == 16,
              "on 32 bits the message record is four 32-bit fields");
static_assert(kPointer != 8 || sizeof(MQSendMessageInfo) == 24,
              "on 64 bits the message record is three 32-bit fields and a pointer");

// A key/value pair is two pointers: the key's name and the value (or the handle itself).
static_assert(sizeof(MQKeyValuePair) == 2 * kPointer && offsetof(MQKeyValuePair, name) == 0 &&
                  offsetof(MQKeyValuePair, value) == kPointer,
              "a key/value pair is two pointers");

static_assert(sizeof(MQDocument) == kPointer && sizeof(MQObject) == kPointer,
              "handles are pointers");

// An object handle pair is its virtual table pointer, then the object and document handles.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(cmq::CMQObject) == 3 * kPointer,
              "CMQObject is a vtable pointer and two handles");
static_assert(offsetof(cmq::CMQObject, object) == kPointer &&
                  offsetof(cmq::CMQObject, document) == 2 * kPointer,
              "CMQObject holds the object handle, then the document handle, after its vtable");
#pragma GCC diagnostic pop

}  // namespace
