#include "cli/obj_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include "cli/float_text.h"
#include "cli/input_error.h"

namespace palisor_cli {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

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

// Splits a line into blank-separated tokens.
class Tokens {
 public:
  Tokens(const char* begin, const char* end) : position_(begin), end_(end) {}

  bool Next(std::string_view& token) {
    while (position_ < end_ && IsBlank(*position_)) ++position_;
    if (position_ == end_) return false;
    const char* start = position_;
    while (position_ < end_ && !IsBlank(*position_)) ++position_;
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

  Scene Read(const std::string& text) {
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    // Some editors begin UTF-8 text with a byte order mark; it is no part of the first line.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) position += 3;
    while (position < end) {
      ++lineNumber_;
      const std::size_t remaining = static_cast<std::size_t>(end - position);
      const void* newline = std::memchr(position, '\n', remaining);
      std::size_t length =
          newline != nullptr
              ? static_cast<std::size_t>(static_cast<const char*>(newline) - position)
              : remaining;
      const char* next = position + (newline != nullptr ? length + 1 : length);
      if (length > 0 && position[length - 1] == '\r') --length;
      ReadLine(position, length);
      position = next;
    }
    FinishObject();
    if (scene_.objects.empty()) Fail(fileLabel_ + ": the scene holds no object (no 'o' line)");
    ResolveBindings();
    return std::move(scene_);
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const { throw InputError(message); }
  [[noreturn]] void FailLine(const std::string& message) const {
    Fail(fileLabel_ + ":" + std::to_string(lineNumber_) + ": " + message);
  }

  // The line is `length` bytes from `begin`, without its line end.
  void ReadLine(const char* begin, std::size_t length) {
    if (std::memchr(begin, '\0', length) != nullptr) FailLine("the line holds a NUL byte");
    const char* const end = begin + length;
    const char* start = begin;
    while (start < end && IsBlank(*start)) ++start;
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
    if (hasTail && passthrough_->vertexTails.empty()) {
      passthrough_->vertexTails.resize(object_.vertices.size());
    }
    if (!passthrough_->vertexTails.empty()) {
      passthrough_->vertexTails.emplace_back(hasTail ? std::string(tailStart, end) : std::string());
    }
    object_.vertices.push_back(MQPoint{coordinates[0], coordinates[1], coordinates[2]});
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
        Fail(fileLabel_ + ":" + std::to_string(pending.line) + ": the binding names object " +
             std::to_string(std::max(pending.base, pending.target)) + " but the scene has " +
             std::to_string(objectCount) + " objects");
      }
      if (pending.base == pending.target) {
        Fail(fileLabel_ + ":" + std::to_string(pending.line) +
             ": an object cannot be bound to itself");
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
  int64_t lineNumber_ = 0;
  Scene scene_;
  bool inObject_ = false;
  bool hasCornerAttributes_ = false;
  SceneObject object_;
  std::shared_ptr<ObjPassthrough> passthrough_;
  ElementCount vertices_{"vertex", "vertices"};
  ElementCount texcoords_{"texture coordinate", "texture coordinates"};
  ElementCount normals_{"normal", "normals"};
  std::vector<PendingBinding> pendingBindings_;
};

}  // namespace

Scene ReadObjText(const std::string& text, const std::string& fileLabel) {
  return ObjReader(fileLabel).Read(text);
}

Scene ReadObjFile(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    throw InputError("cannot read " + path + ": it is a folder");
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw InputError("cannot read " + path + ": " + std::strerror(errno));
  }
  std::string text;
  // The size is a hint only; the file is read to its end whatever it says.
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size > 0 && static_cast<unsigned long>(size) < text.max_size()) {
      text.reserve(static_cast<std::size_t>(size));
    }
    std::rewind(file);
  }
  char buffer[1 << 16];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw InputError("cannot read " + path + ": " + std::strerror(error));
  return ReadObjText(text, path);
}

}  // namespace palisor_cli
