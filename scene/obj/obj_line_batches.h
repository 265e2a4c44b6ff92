// The bulk of an OBJ text, parsed apart from the reader's line-by-line work so that pieces of a
// text can be parsed on several threads at once: `v x y z` lines and `f` lines whose corners are
// plain whole numbers. Every other line, and every line these forms do not fit exactly, is left
// for the reader to read as it stands, so that it alone decides what any line means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/point.h"

namespace palisor_scene {

// What separates the words of a line: blanks, and carriage returns (so that a line ending in CRs
// reads as one without them).
inline bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Consecutive lines of one kind.
struct LineRun {
  enum Kind : uint8_t { kVertices, kFaces, kOther };
  Kind kind = kOther;
  // Where the first line starts, and how many lines the run holds (one for kOther).
  const char* begin = nullptr;
  std::size_t lines = 0;
};

struct ParsedBatch {
  std::vector<Vector3> vertices;
  std::vector<int32_t> faceSizes;
  // Per face corner, the indexes as written: from 1, or negative counting back from the last
  // one defined. 0 where a corner names no texture coordinate or normal; those two stay empty
  // until a corner of the batch names one.
  std::vector<int32_t> corners;
  std::vector<int32_t> texcoords;
  std::vector<int32_t> normals;
  bool hasAttributes = false;
  std::vector<LineRun> runs;
};

// Parses the whole lines in [begin, end). The byte at `end` must be readable (the next line's
// first byte, or a terminator).
void ParseBatch(const char* begin, const char* end, ParsedBatch& batch);

// Finds the line starting at `position`: returns where the next one starts and sets `length` to
// the line's own length. A line ends at LF, and a CR right before the LF belongs to the line end;
// every other byte, any CR at the very end of the text included, belongs to the line.
const char* NextLine(const char* position, const char* end, std::size_t& length);

}  // namespace palisor_scene
