// Key/value arrays built from fuzz input, each value in the form its key takes, as a host would
// hand them over: a key's value is a datum of its form (or null), strings are terminated, lists
// of pointers end with a null pointer. Keys and forms come from the caller's table, with now and
// then a key of any bytes.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "host/host_api.h"

enum class ValueForm {
  kInt,       // a signed 32-bit integer
  kByte,      // a one-byte flag or answer slot, any byte
  kFloat,     // a 32-bit float, any bits
  kText,      // a terminated narrow string: one of the table's words, or any bytes
  kWideText,  // a terminated UTF-16 string of any units
  kBuffer,    // a slot of 64 bytes the receiver may read or write
  kHandle,    // the value is itself a handle: any pointer-sized bits, never dereferenced
  kPointers   // a null-terminated list of opaque pointers
};

struct KeyForm {
  const char* name;
  ValueForm form;
  // For kText: words the value is mostly chosen from.
  std::vector<const char*> words;
};

class FuzzedPairs {
 public:
  // `leading` pairs first, then up to `maxPairs` pairs from the input; every value slot lives as
  // long as this object.
  FuzzedPairs(FuzzedDataProvider& input, const std::vector<KeyForm>& keys, std::size_t maxPairs,
              std::vector<MQKeyValuePair> leading = {})
      : pairs_(std::move(leading)) {
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, maxPairs);
    for (std::size_t i = 0; i < count && input.remaining_bytes() > 0; ++i) {
      const bool anyKey = input.ConsumeIntegralInRange<int>(0, 15) == 0;
      const KeyForm& key =
          keys[input.ConsumeIntegralInRange<std::size_t>(0, keys.empty() ? 0 : keys.size() - 1)];
      const char* name = key.name;
      if (anyKey) name = Keep(input.ConsumeRandomLengthString(12));
      pairs_.push_back(MQKeyValuePair{name, Value(input, key)});
    }
    pairs_.push_back(MQKeyValuePair{nullptr, nullptr});
  }

  MQKeyValuePair* data() { return pairs_.data(); }

  // A value slot of 64 bytes filled from the input, for callers that build other records.
  void* Slot(FuzzedDataProvider& input) {
    slots_.emplace_back();
    std::array<uint64_t, 8>& slot = slots_.back();
    const std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(sizeof slot);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(slot.data()));
    return slot.data();
  }

  const char* Keep(std::string text) {
    texts_.push_back(std::move(text));
    return texts_.back().c_str();
  }

 private:
  void* Value(FuzzedDataProvider& input, const KeyForm& key) {
    if (input.ConsumeIntegralInRange<int>(0, 31) == 0) return nullptr;
    switch (key.form) {
      case ValueForm::kText:
        if (!key.words.empty() && input.ConsumeBool()) {
          const std::size_t word =
              input.ConsumeIntegralInRange<std::size_t>(0, key.words.size() - 1);
          return const_cast<char*>(key.words[word]);
        }
        return const_cast<char*>(Keep(input.ConsumeRandomLengthString(16)));
      case ValueForm::kWideText: {
        wideTexts_.emplace_back();
        std::u16string& text = wideTexts_.back();
        const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 12);
        for (std::size_t i = 0; i < length; ++i) text.push_back(input.ConsumeIntegral<char16_t>());
        return text.data();
      }
      case ValueForm::kHandle:
        return reinterpret_cast<void*>(input.ConsumeIntegral<uintptr_t>());
      case ValueForm::kPointers: {
        pointerLists_.emplace_back();
        std::vector<void*>& list = pointerLists_.back();
        const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 4);
        for (std::size_t i = 0; i < count; ++i) list.push_back(Slot(input));
        list.push_back(nullptr);
        return list.data();
      }
      case ValueForm::kInt:
      case ValueForm::kByte:
      case ValueForm::kFloat:
      case ValueForm::kBuffer:
        break;
    }
    return Slot(input);
  }

  std::vector<MQKeyValuePair> pairs_;
  std::deque<std::array<uint64_t, 8>> slots_;
  std::deque<std::string> texts_;
  std::deque<std::u16string> wideTexts_;
  std::deque<std::vector<void*>> pointerLists_;
};
