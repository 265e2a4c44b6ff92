#include "scene/obj/obj_line_batches.h"

#include <charconv>
#include <cstring>

#include "scene/float_text.h"

namespace palisor_scene {

namespace {

const char* SkipSeparators(const char* position, const char* end) {
  while (position < end && IsSeparator(*position)) ++position;
  return position;
}

const char* WordEnd(const char* position, const char* end) {
  while (position < end && !IsSeparator(*position)) ++position;
  return position;
}

// A whole number as the reader writes it back: an optional minus, no leading zero, not zero, and
// within 32 bits. Anything else is left to the reader, which has the exact words for it.
bool ParsePlainIndex(const char*& position, const char* end, int32_t& value) {
  const bool negative = position < end && *position == '-';
  const char* digits = negative ? position + 1 : position;
  if (digits == end || *digits < '1' || *digits > '9') return false;
  int64_t magnitude = 0;
  const char* at = digits;
  while (at < end && *at >= '0' && *at <= '9' && at - digits < 10) {
    magnitude = magnitude * 10 + (*at - '0');
    ++at;
  }
  if (magnitude > INT32_MAX) return false;
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  position = at;
  return true;
}

bool IsKeyword(const char* begin, const char* end, char keyword) {
  return end - begin >= 2 && begin[0] == keyword && (begin[1] == ' ' || begin[1] == '\t');
}

bool IsDigitOrPoint(char c) {
  return (c >= '0' && c <= '9') || c == '.';
}

// Reads the word at `position` as one number and moves past it. A word of plain decimal digits is
// converted in the same scan that finds its end (from_chars and strtof both round correctly, so
// they agree on it); every other word goes to ParseFloat, which reads it as strtof does.
bool ParseCoordinate(const char*& position, const char* end, float& value) {
  const char* digits = position < end && *position == '-' ? position + 1 : position;
  if (digits < end && IsDigitOrPoint(*digits)) {
    const std::from_chars_result result = std::from_chars(position, end, value);
    if (result.ec == std::errc() && (result.ptr == end || IsSeparator(*result.ptr))) {
      position = result.ptr;
      return true;
    }
  }
  const char* wordEnd = WordEnd(position, end);
  if (!ParseFloat(position, wordEnd, value)) return false;
  position = wordEnd;
  return true;
}

bool ParseVertexLine(const char* begin, const char* end, ParsedBatch& batch) {
  if (!IsKeyword(begin, end, 'v')) return false;
  float coordinates[3];
  const char* position = begin + 1;
  for (float& coordinate : coordinates) {
    position = SkipSeparators(position, end);
    if (!ParseCoordinate(position, end, coordinate)) return false;
  }
  if (SkipSeparators(position, end) != end) return false;
  batch.vertices.push_back(Vector3{coordinates[0], coordinates[1], coordinates[2]});
  return true;
}

bool ParseFaceLine(const char* begin, const char* end, ParsedBatch& batch) {
  if (!IsKeyword(begin, end, 'f')) return false;
  const std::size_t firstCorner = batch.corners.size();
  const char* position = SkipSeparators(begin + 1, end);
  while (position < end) {
    int32_t vertex = 0;
    int32_t texcoord = 0;
    int32_t normal = 0;
    bool valid = ParsePlainIndex(position, end, vertex);
    if (valid && position < end && *position == '/') {
      ++position;
      if (position < end && *position != '/') valid = ParsePlainIndex(position, end, texcoord);
      if (valid && position < end && *position == '/') {
        ++position;
        valid = ParsePlainIndex(position, end, normal);
      } else if (texcoord == 0) {
        valid = false;
      }
    }
    if (!valid || (position < end && !IsSeparator(*position))) {
      batch.corners.resize(firstCorner);
      if (batch.hasAttributes) {
        batch.texcoords.resize(firstCorner);
        batch.normals.resize(firstCorner);
      }
      return false;
    }
    if ((texcoord != 0 || normal != 0) && !batch.hasAttributes) {
      batch.texcoords.assign(batch.corners.size(), 0);
      batch.normals.assign(batch.corners.size(), 0);
      batch.hasAttributes = true;
    }
    batch.corners.push_back(vertex);
    if (batch.hasAttributes) {
      batch.texcoords.push_back(texcoord);
      batch.normals.push_back(normal);
    }
    position = SkipSeparators(position, end);
  }
  const std::size_t cornerCount = batch.corners.size() - firstCorner;
  if (cornerCount < 3) {
    batch.corners.resize(firstCorner);
    if (batch.hasAttributes) {
      batch.texcoords.resize(firstCorner);
      batch.normals.resize(firstCorner);
    }
    return false;
  }
  batch.faceSizes.push_back(static_cast<int32_t>(cornerCount));
  return true;
}

void AddToRun(ParsedBatch& batch, LineRun::Kind kind, const char* lineStart) {
  if (kind != LineRun::kOther && !batch.runs.empty() && batch.runs.back().kind == kind) {
    ++batch.runs.back().lines;
    return;
  }
  batch.runs.push_back(LineRun{kind, lineStart, 1});
}

}  // namespace

const char* NextLine(const char* position, const char* end, std::size_t& length) {
  const std::size_t remaining = static_cast<std::size_t>(end - position);
  const void* newline = std::memchr(position, '\n', remaining);
  if (newline == nullptr) {
    length = remaining;
    return end;
  }
  length = static_cast<std::size_t>(static_cast<const char*>(newline) - position);
  const char* next = position + length + 1;
  if (length > 0 && position[length - 1] == '\r') --length;
  return next;
}

void ParseBatch(const char* begin, const char* end, ParsedBatch& batch) {
  // Room for as many vertices and corners as the shortest lines could hold (`v 0 0 0` and `1 `
  // per corner), so that the lists never move while they fill. Only the pages written are ever
  // touched, and a batch's storage is reused for the next text.
  const std::size_t bytes = static_cast<std::size_t>(end - begin);
  batch.vertices.reserve(bytes / 8);
  batch.faceSizes.reserve(bytes / 8);
  batch.corners.reserve(bytes / 2);
  const char* position = begin;
  while (position < end) {
    std::size_t length = 0;
    const char* next = NextLine(position, end, length);
    const char* lineEnd = position + length;
    if (ParseVertexLine(position, lineEnd, batch)) {
      AddToRun(batch, LineRun::kVertices, position);
    } else if (ParseFaceLine(position, lineEnd, batch)) {
      AddToRun(batch, LineRun::kFaces, position);
    } else {
      AddToRun(batch, LineRun::kOther, position);
    }
    position = next;
  }
}

}  // namespace palisor_scene
