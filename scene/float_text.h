// Numbers of a scene file as text: read exactly as strtof reads them, written so that strtof reads
// back the same 32-bit float bit for bit (a signalling not-a-number excepted, see FormatFloat).
#pragma once

#include <cstddef>
#include <string>

namespace palisor_scene {

// Enough for the longest text FormatFloat writes, with its terminator.
constexpr std::size_t kFloatTextCapacity = 48;

// Reads the whole of [begin, end) as one number, as strtof reads it (subnormal, overflowing and
// hexadecimal values, infinities and not-a-numbers included). False when the text is empty or
// holds anything strtof would not consume. The byte at `end` must not be one strtof would read
// as part of a number (a blank, a line end or a terminator).
bool ParseFloat(const char* begin, const char* end, float& value);

// Writes the shortest text that reads back as the same bits; returns the number of bytes written,
// with no terminator. Text can only ever be read as a quiet not-a-number: a quiet one keeps its
// sign and payload, and a signalling one is written as its quiet twin (the same sign and payload
// with the quiet bit set), which is what reading it back gives.
std::size_t FormatFloat(float value, char* buffer);

std::string FloatText(float value);

}  // namespace palisor_scene
