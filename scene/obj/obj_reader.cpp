#include "scene/obj/obj_reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "scene/float_text.h"
#include "scene/obj/obj_line_batches.h"
#include "scene/scene_error.h"

namespace palisor_scene {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Lines of a text are read in batches of about this many bytes, each parsed on all threads.
constexpr std::size_t kBatchBytes = std::size_t{4} << 20;

// Statements kept as text, with their place among the faces.
bool IsPassedThrough(std::string_view keyword) {
  static const std::set<std::string_view> kKeywords = {
      "usemtl",     "mtllib",    "s",     "g",        "mg",       "lod",   "usemap", "maplib",
      "shadow_obj", "trace_obj", "bevel", "c_interp", "d_interp", "ctech", "stech"};
  return kKeywords.count(keyword) != 0;
}

// Geometry that a scene of the host cannot hold: lines, points, curves and surfaces.
bool IsUnsupportedGeometry(std::string_view keyword) {
  static const std::set<std::string_view> kKeywords = {
      "l",    "p",    "vp",   "curv", "curv2", "surf", "cstype", "deg",  "bmat", "step",
      "parm", "trim", "hole", "scrv", "sp",    "end",  "con",    "call", "csh"};
  return kKeywords.count(keyword) != 0;
}

// Splits a line into words.
class Tokens {
 public:
  Tokens(const char* begin, const char* end) : position_(begin), end_(end) {}

  bool Next(std::string_view& token) {
    while (position_ < end_ && IsSeparator(*position_)) ++position_;
    if (position_ == end_) return false;
    const char* start = position_;
    while (position_ < end_ && !IsSeparator(*position_)) ++position_;
    token = std::string_view(start, static_cast<std::size_t>(position_ - start));
    return true;
  }
  const char* position() const { return position_; }

 private:
  const char* position_;
  const char* end_;
};

// One kind of indexed element (vertices, texture coordinates or normals): how many the file has
// defined so far and where the current object's own ones begin.
struct ElementCount {
  const char* what;
  const char* plural;
  int64_t total = 0;
  int64_t objectFirst = 0;
};

class ObjReader {
 public:
  explicit ObjReader(const std::string& fileLabel) : fileLabel_(fileLabel) {}

  // Reads whole lines [begin, end), the first ones of the text when `first`. The byte at `end`
  // must be readable.
  void ReadLines(const char* begin, const char* end, bool first) {
    // Some editors begin UTF-8 text with a byte order mark; it is no part of the first line.
    if (first && end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0) begin += 3;
    const unsigned threads = MachineThreadCount();
    const std::size_t size = static_cast<std::size_t>(end - begin);
    const std::size_t parts = threads > 1 && size > (std::size_t{1} << 20) ? 2 * threads : 1;
    std::vector<const char*> bounds = {begin};
    for (std::size_t k = 1; k < parts; ++k) {
      const char* at = std::max(bounds.back(), begin + size * k / parts);
      const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      bounds.push_back(newline != nullptr ? static_cast<const char*>(newline) + 1 : end);
    }
    bounds.push_back(end);
    textEnd_ = end;
    // Batches are kept from one call to the next, so that their storage is reused.
    if (batches_.size() < parts) batches_.resize(parts);
    for (ParsedBatch& batch : batches_) Clear(batch);
    std::atomic<std::size_t> next{0};
    RunOnThreads(static_cast<unsigned>(std::min<std::size_t>(threads, parts)), [&] {
      for (std::size_t k = next++; k < parts; k = next++) {
        ParseBatch(bounds[k], bounds[k + 1], batches_[k]);
      }
    });
    for (std::size_t k = 0; k < parts; ++k) Take(batches_[k]);
  }

  static void Clear(ParsedBatch& batch) {
    batch.vertices.clear();
    batch.faceSizes.clear();
    batch.corners.clear();
    batch.texcoords.clear();
    batch.normals.clear();
    batch.hasAttributes = false;
    batch.runs.clear();
  }

  Scene Finish() {
    FinishObject();
    if (scene_.objects.empty()) Fail("the scene holds no object (no 'o' line)");
    ResolveBindings();
    return std::move(scene_);
  }

 private:
  // Reads `count` lines from `begin` one by one.
  void ReadEach(const char* begin, std::size_t count) {
    const char* position = begin;
    for (std::size_t k = 0; k < count; ++k) {
      ++lineNumber_;
      std::size_t length = 0;
      const char* next = NextLine(position, textEnd_, length);
      ReadLine(position, length);
      position = next;
    }
  }

  // Takes over what a batch parsed, in line order. A run of lines that does not fit the scene
  // read so far as it stands (before any object, indexes out of range) is read line by line,
  // which reports the first mistake.
  void Take(const ParsedBatch& batch) {
    std::size_t vertex = 0;
    std::size_t face = 0;
    std::size_t corner = 0;
    for (const LineRun& run : batch.runs) {
      if (run.kind == LineRun::kOther) {
        ReadEach(run.begin, 1);
      } else if (run.kind == LineRun::kVertices) {
        if (inObject_ && vertices_.total + static_cast<int64_t>(run.lines) <=
                             std::numeric_limits<int32_t>::max()) {
          TakeVertices(batch, vertex, run.lines);
        } else {
          ReadEach(run.begin, run.lines);
        }
        vertex += run.lines;
      } else {
        std::size_t corners = 0;
        for (std::size_t k = face; k < face + run.lines; ++k) {
          corners += static_cast<std::size_t>(batch.faceSizes[k]);
        }
        if (inObject_ && FitsScene(batch, corner, corners)) {
          TakeFaces(batch, face, run.lines, corner);
        } else {
          ReadEach(run.begin, run.lines);
        }
        face += run.lines;
        corner += corners;
      }
    }
  }

  void TakeVertices(const ParsedBatch& batch, std::size_t first, std::size_t count) {
    const auto begin = batch.vertices.begin() + static_cast<std::ptrdiff_t>(first);
    object_.vertices.insert(object_.vertices.end(), begin,
                            begin + static_cast<std::ptrdiff_t>(count));
    if (hasVertexTails_) {
      passthrough_->vertexTails.resize(passthrough_->vertexTails.size() + count);
    }
    vertices_.total += static_cast<int64_t>(count);
    lineNumber_ += static_cast<int64_t>(count);
  }

  // An index as written, made absolute (from 0 over the whole file); -1 when it names nothing.
  static int64_t Absolute(int32_t written, const ElementCount& count) {
    return written > 0 ? written - 1 : count.total + written;
  }
  static bool Names(int32_t written, const ElementCount& count) {
    const int64_t absolute = Absolute(written, count);
    return absolute >= count.objectFirst && absolute < count.total;
  }

  bool FitsScene(const ParsedBatch& batch, std::size_t first, std::size_t count) const {
    for (std::size_t k = first; k < first + count; ++k) {
      if (!Names(batch.corners[k], vertices_)) return false;
      if (!batch.hasAttributes) continue;
      if (batch.texcoords[k] != 0 && !Names(batch.texcoords[k], texcoords_)) return false;
      if (batch.normals[k] != 0 && !Names(batch.normals[k], normals_)) return false;
    }
    return true;
  }

  void TakeFaces(const ParsedBatch& batch, std::size_t firstFace, std::size_t faces,
                 std::size_t firstCorner) {
    std::size_t corner = firstCorner;
    for (std::size_t face = firstFace; face < firstFace + faces; ++face) {
      const int32_t size = batch.faceSizes[face];
      for (int32_t k = 0; k < size; ++k, ++corner) {
        object_.faceCorners.push_back(static_cast<int32_t>(
            Absolute(batch.corners[corner], vertices_) - vertices_.objectFirst));
        if (!batch.hasAttributes && !hasCornerAttributes_) continue;
        const int32_t texcoord = batch.hasAttributes ? batch.texcoords[corner] : 0;
        const int32_t normal = batch.hasAttributes ? batch.normals[corner] : 0;
        KeepCornerAttributes(
            texcoord != 0
                ? static_cast<int32_t>(Absolute(texcoord, texcoords_) - texcoords_.objectFirst)
                : -1,
            normal != 0 ? static_cast<int32_t>(Absolute(normal, normals_) - normals_.objectFirst)
                        : -1);
      }
      object_.faceSizes.push_back(size);
    }
    lineNumber_ += static_cast<int64_t>(faces);
  }

  [[noreturn]] void Fail(const std::string& message) const {
    throw SceneError(fileLabel_, "", fileLabel_ + ": " + message);
  }
  [[noreturn]] void FailAtLine(int64_t line, const std::string& message) const {
    const std::string place = std::to_string(line);
    throw SceneError(fileLabel_, "line " + place, fileLabel_ + ":" + place + ": " + message);
  }
  [[noreturn]] void FailLine(const std::string& message) const { FailAtLine(lineNumber_, message); }

  // The line is `length` bytes from `begin`, without its line end.
  void ReadLine(const char* begin, std::size_t length) {
    if (std::memchr(begin, '\0', length) != nullptr) FailLine("the line holds a NUL byte");
    const char* const end = begin + length;
    const char* start = begin;
    while (start < end && IsSeparator(*start)) ++start;
    if (start == end) return;
    if (*start == '#') {
      ReadComment(start, end);
      return;
    }
    Tokens tokens(start, end);
    std::string_view keyword;
    tokens.Next(keyword);
    const std::string_view line(start, static_cast<std::size_t>(end - start));
    if (keyword == "o") {
      ReadObjectLine(start + 1, end);
    } else if (keyword == "v") {
      RequireObject(keyword);
      ReadVertex(tokens, end);
    } else if (keyword == "vt") {
      RequireObject(keyword);
      ReadNumbers(tokens, keyword, 1, 3);
      ++texcoords_.total;
      passthrough_->texcoords.emplace_back(line);
    } else if (keyword == "vn") {
      RequireObject(keyword);
      ReadNumbers(tokens, keyword, 3, 3);
      ++normals_.total;
      passthrough_->normals.emplace_back(line);
    } else if (keyword == "f") {
      RequireObject(keyword);
      ReadFace(tokens);
    } else if (IsPassedThrough(keyword)) {
      KeepStatement(std::string(line));
    } else if (IsUnsupportedGeometry(keyword)) {
      FailLine("'" + std::string(keyword) + "' statements are not supported; only faces ('f')");
    } else {
      FailLine("unknown statement '" + std::string(keyword) + "'");
    }
  }

  void ReadComment(const char* begin, const char* end) {
    const std::string_view line(begin, static_cast<std::size_t>(end - begin));
    const std::string_view marker(kBindingComment);
    const bool isBinding = line.substr(0, marker.size()) == marker &&
                           (line.size() == marker.size() || IsBlank(line[marker.size()]));
    if (!isBinding) {
      KeepStatement(std::string(line));
      return;
    }
    Tokens tokens(begin + marker.size(), end);
    std::string_view base;
    std::string_view target;
    std::string_view extra;
    int64_t baseNumber = 0;
    int64_t targetNumber = 0;
    if (!tokens.Next(base) || !tokens.Next(target) || tokens.Next(extra) ||
        !ParseInteger(base, baseNumber) || !ParseInteger(target, targetNumber) || baseNumber < 1 ||
        targetNumber < 1) {
      FailLine("a binding reads '" + std::string(kBindingComment) +
               " BASE TARGET' with two object numbers counted from 1");
    }
    pendingBindings_.push_back({lineNumber_, baseNumber, targetNumber});
  }

  void KeepStatement(std::string text) {
    if (!inObject_) {
      scene_.header.push_back(std::move(text));
    } else {
      passthrough_->statements.push_back({object_.faceSizes.size(), std::move(text)});
    }
  }

  void RequireObject(std::string_view keyword) const {
    if (!inObject_) {
      FailLine("'" + std::string(keyword) + "' line before any 'o' line");
    }
  }

  void ReadObjectLine(const char* afterKeyword, const char* end) {
    FinishObject();
    // The name is the rest of the line after the one blank that ends the keyword.
    const char* nameStart = afterKeyword < end ? afterKeyword + 1 : end;
    object_ = SceneObject();
    object_.name.assign(nameStart, end);
    passthrough_ = std::make_shared<ObjPassthrough>();
    vertices_.objectFirst = vertices_.total;
    texcoords_.objectFirst = texcoords_.total;
    normals_.objectFirst = normals_.total;
    inObject_ = true;
    hasCornerAttributes_ = false;
    hasVertexTails_ = false;
  }

  void FinishObject() {
    if (!inObject_) return;
    object_.passthrough = std::move(passthrough_);
    scene_.objects.push_back(std::move(object_));
    inObject_ = false;
  }

  float ReadNumber(std::string_view token, std::string_view keyword) const {
    float value = 0.0f;
    if (!ParseFloat(token.data(), token.data() + token.size(), value)) {
      FailLine("'" + std::string(token) + "' in a '" + std::string(keyword) +
               "' line is not a number");
    }
    return value;
  }

  void ReadNumbers(Tokens& tokens, std::string_view keyword, int least, int most) const {
    int count = 0;
    std::string_view token;
    while (tokens.Next(token)) {
      ReadNumber(token, keyword);
      ++count;
    }
    if (count < least || count > most) {
      const std::string wanted = least == most
                                     ? std::to_string(least)
                                     : std::to_string(least) + " to " + std::to_string(most);
      FailLine("a '" + std::string(keyword) + "' line needs " + wanted + " numbers, not " +
               std::to_string(count));
    }
  }

  void ReadVertex(Tokens& tokens, const char* end) {
    float coordinates[3] = {};
    std::string_view token;
    for (float& coordinate : coordinates) {
      if (!tokens.Next(token)) FailLine("a 'v' line needs three numbers x y z");
      coordinate = ReadNumber(token, "v");
    }
    const char* tailStart = tokens.position();
    bool hasTail = false;
    while (tokens.Next(token)) {
      ReadNumber(token, "v");
      hasTail = true;
    }
    if (vertices_.total >= std::numeric_limits<int32_t>::max()) {
      FailLine("too many vertices");
    }
    if (hasTail && !hasVertexTails_) {
      passthrough_->vertexTails.resize(object_.vertices.size());
      hasVertexTails_ = true;
    }
    if (hasVertexTails_) {
      passthrough_->vertexTails.emplace_back(hasTail ? std::string(tailStart, end) : std::string());
    }
    object_.vertices.push_back(Vector3{coordinates[0], coordinates[1], coordinates[2]});
    ++vertices_.total;
  }

  static bool ParseInteger(std::string_view text, int64_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
      negative = text[i] == '-';
      ++i;
    }
    if (i == text.size()) return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      if (magnitude > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
      magnitude = magnitude * 10 + (text[i] - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
  }

  // Turns a face index (from 1, or negative counting back from the last one defined) into an index
  // into the current object's own elements of that kind.
  int32_t ResolveIndex(std::string_view text, const ElementCount& count) const {
    int64_t index = 0;
    if (!ParseInteger(text, index) || index == 0) {
      FailLine("'" + std::string(text) + "' is not a " + count.what +
               " index (a whole number other than 0)");
    }
    const int64_t absolute = index > 0 ? index - 1 : count.total + index;
    if (absolute < 0 || absolute >= count.total) {
      FailLine(std::string(count.what) + " index " + std::string(text) + " is out of range: " +
               std::to_string(count.total) + " " + count.plural + " are defined so far");
    }
    if (absolute < count.objectFirst) {
      FailLine(std::string(count.what) + " index " + std::string(text) + " refers to a " +
               count.what + " of another object ('" + object_.name + "' has " + count.plural + " " +
               std::to_string(count.objectFirst + 1) + " to " + std::to_string(count.total) + ")");
    }
    return static_cast<int32_t>(absolute - count.objectFirst);
  }

  void ReadFace(Tokens& tokens) {
    std::string_view corner;
    int32_t cornerCount = 0;
    while (tokens.Next(corner)) {
      const std::size_t firstSlash = corner.find('/');
      const std::string_view vertexText = corner.substr(0, firstSlash);
      std::string_view texcoordText;
      std::string_view normalText;
      if (firstSlash != std::string_view::npos) {
        const std::string_view rest = corner.substr(firstSlash + 1);
        const std::size_t secondSlash = rest.find('/');
        texcoordText = rest.substr(0, secondSlash);
        if (secondSlash != std::string_view::npos) {
          normalText = rest.substr(secondSlash + 1);
          if (normalText.empty() || normalText.find('/') != std::string_view::npos) {
            FailLine("'" + std::string(corner) +
                     "' is not a face corner (v, v/vt, v//vn, v/vt/vn)");
          }
        } else if (texcoordText.empty()) {
          FailLine("'" + std::string(corner) + "' is not a face corner (v, v/vt, v//vn, v/vt/vn)");
        }
      }
      object_.faceCorners.push_back(ResolveIndex(vertexText, vertices_));
      const int32_t texcoord = texcoordText.empty() ? -1 : ResolveIndex(texcoordText, texcoords_);
      const int32_t normal = normalText.empty() ? -1 : ResolveIndex(normalText, normals_);
      KeepCornerAttributes(texcoord, normal);
      ++cornerCount;
    }
    if (cornerCount < 3) {
      FailLine("a face needs at least three corners, not " + std::to_string(cornerCount));
    }
    object_.faceSizes.push_back(cornerCount);
  }

  // Corner attributes are stored only once some corner of the object names one.
  void KeepCornerAttributes(int32_t texcoord, int32_t normal) {
    ObjPassthrough& kept = *passthrough_;
    if (!hasCornerAttributes_ && (texcoord >= 0 || normal >= 0)) {
      const std::size_t earlierCorners = object_.faceCorners.size() - 1;
      kept.cornerTexcoords.assign(earlierCorners, -1);
      kept.cornerNormals.assign(earlierCorners, -1);
      hasCornerAttributes_ = true;
    }
    if (!hasCornerAttributes_) return;
    kept.cornerTexcoords.push_back(texcoord);
    kept.cornerNormals.push_back(normal);
  }

  void ResolveBindings() {
    const int64_t objectCount = static_cast<int64_t>(scene_.objects.size());
    for (const PendingBinding& pending : pendingBindings_) {
      if (pending.base > objectCount || pending.target > objectCount) {
        FailAtLine(pending.line, "the binding names object " +
                                     std::to_string(std::max(pending.base, pending.target)) +
                                     " but the scene has " + std::to_string(objectCount) +
                                     " objects");
      }
      if (pending.base == pending.target) {
        FailAtLine(pending.line, "an object cannot be bound to itself");
      }
      const SceneBinding binding{static_cast<int32_t>(pending.base - 1),
                                 static_cast<int32_t>(pending.target - 1)};
      bool known = false;
      for (const SceneBinding& earlier : scene_.bindings) {
        known = known || (earlier.base == binding.base && earlier.target == binding.target);
      }
      if (!known) scene_.bindings.push_back(binding);
    }
  }

  struct PendingBinding {
    int64_t line;
    int64_t base;
    int64_t target;
  };

  const std::string& fileLabel_;
  // The end of the lines being read.
  const char* textEnd_ = nullptr;
  int64_t lineNumber_ = 0;
  Scene scene_;
  bool inObject_ = false;
  bool hasCornerAttributes_ = false;
  // Whether some vertex of the object had more than x y z.
  bool hasVertexTails_ = false;
  SceneObject object_;
  std::shared_ptr<ObjPassthrough> passthrough_;
  ElementCount vertices_{"vertex", "vertices"};
  ElementCount texcoords_{"texture coordinate", "texture coordinates"};
  ElementCount normals_{"normal", "normals"};
  std::vector<PendingBinding> pendingBindings_;
  std::vector<ParsedBatch> batches_;
};

}  // namespace

Scene ReadObjText(const std::string& text, const std::string& fileLabel) {
  ObjReader reader(fileLabel);
  reader.ReadLines(text.data(), text.data() + text.size(), true);
  return reader.Finish();
}

Scene ReadObjFile(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    throw SceneError(path, "", "cannot read " + path + ": it is a folder");
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw SceneError(path, "", "cannot read " + path + ": " + std::strerror(errno));
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
  ObjReader reader(path);
  // The text is read a batch at a time; the bytes after a batch's last LF wait for the next one.
  // One byte more than the text stays readable after the lines being read.
  // The buffer is never cleared first: only the bytes read into it are ever looked at.
  std::size_t capacity = kBatchBytes + 1;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  std::size_t held = 0;
  bool first = true;
  for (;;) {
    if (held == capacity - 1) {
      std::unique_ptr<char[]> larger(new char[2 * capacity]);
      std::memcpy(larger.get(), buffer.get(), held);
      buffer = std::move(larger);
      capacity *= 2;
    }
    const std::size_t count = std::fread(buffer.get() + held, 1, capacity - 1 - held, file);
    if (count == 0) {
      if (std::ferror(file) != 0) {
        throw SceneError(path, "", "cannot read " + path + ": " + std::strerror(errno));
      }
      buffer[held] = '\0';
      reader.ReadLines(buffer.get(), buffer.get() + held, first);
      break;
    }
    held += count;
    const char* const begin = buffer.get();
    const char* lastLine = begin + held;
    while (lastLine > begin && lastLine[-1] != '\n') --lastLine;
    if (lastLine == begin) continue;
    reader.ReadLines(begin, lastLine, first);
    first = false;
    const std::size_t rest = static_cast<std::size_t>(begin + held - lastLine);
    std::memmove(buffer.get(), lastLine, rest);
    held = rest;
  }
  return reader.Finish();
}

}  // namespace palisor_scene
