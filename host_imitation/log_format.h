// Text forms of arguments for the call log.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

namespace host_imitation {

std::string DescribeDocument(MQDocument document);
std::string DescribeObject(MQObject object);
std::string DescribePoint(const MQPoint* point);
std::string DescribeHex(uint32_t value);
std::string DescribeText(const char* text);
// UTF-16 shown as UTF-8.
std::string DescribeText(const char16_t* text);
// UTF-8 for printing; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::u16string& text);

}  // namespace host_imitation
