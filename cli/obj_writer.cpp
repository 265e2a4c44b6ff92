#include "cli/obj_writer.h"

#include <charconv>
#include <cstddef>
#include <cstdint>

#include "cli/float_text.h"

namespace palisor_cli {

namespace {

// Running totals of the elements written so far: face indexes count across the whole file.
struct ElementOffsets {
  int64_t vertices = 0;
  int64_t texcoords = 0;
  int64_t normals = 0;
};

void AppendInteger(std::string& out, int64_t value) {
  char digits[24];
  const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<std::size_t>(result.ptr - digits));
}

void AppendVertex(std::string& out, const MQPoint& vertex) {
  char buffer[3 * kFloatTextCapacity + 4];
  std::size_t length = 0;
  buffer[length++] = 'v';
  for (float coordinate : {vertex.x, vertex.y, vertex.z}) {
    buffer[length++] = ' ';
    length += FormatFloat(coordinate, buffer + length);
  }
  out.append(buffer, length);
}

void WriteObject(std::string& out, const SceneObject& object, ElementOffsets& offsets) {
  static const ObjPassthrough kNothing;
  const ObjPassthrough& kept = object.passthrough ? *object.passthrough : kNothing;
  const bool hasTails = kept.vertexTails.size() == object.vertices.size();
  const bool hasCornerAttributes = !kept.cornerTexcoords.empty() &&
                                   kept.cornerTexcoords.size() == object.faceCorners.size() &&
                                   kept.cornerNormals.size() == object.faceCorners.size();

  out += "o ";
  out += object.name;
  out += '\n';
  for (std::size_t i = 0; i < object.vertices.size(); ++i) {
    AppendVertex(out, object.vertices[i]);
    if (hasTails) out += kept.vertexTails[i];
    out += '\n';
  }
  for (const std::string& line : kept.texcoords) (out += line) += '\n';
  for (const std::string& line : kept.normals) (out += line) += '\n';

  std::size_t statement = 0;
  auto writeStatementsBefore = [&](std::size_t face) {
    while (statement < kept.statements.size() && kept.statements[statement].facesBefore <= face) {
      (out += kept.statements[statement].text) += '\n';
      ++statement;
    }
  };
  std::size_t corner = 0;
  for (std::size_t face = 0; face < object.faceSizes.size(); ++face) {
    writeStatementsBefore(face);
    out += 'f';
    for (int32_t k = 0; k < object.faceSizes[face]; ++k, ++corner) {
      out += ' ';
      AppendInteger(out, offsets.vertices + object.faceCorners[corner] + 1);
      if (!hasCornerAttributes) continue;
      const int32_t texcoord = kept.cornerTexcoords[corner];
      const int32_t normal = kept.cornerNormals[corner];
      if (texcoord >= 0) {
        out += '/';
        AppendInteger(out, offsets.texcoords + texcoord + 1);
      }
      if (normal >= 0) {
        out += texcoord >= 0 ? "/" : "//";
        AppendInteger(out, offsets.normals + normal + 1);
      }
    }
    out += '\n';
  }
  writeStatementsBefore(SIZE_MAX);

  offsets.vertices += static_cast<int64_t>(object.vertices.size());
  offsets.texcoords += static_cast<int64_t>(kept.texcoords.size());
  offsets.normals += static_cast<int64_t>(kept.normals.size());
}

}  // namespace

std::string WriteObjText(const Scene& scene) {
  std::string out;
  std::size_t estimate = 64;
  for (const SceneObject& object : scene.objects) {
    estimate += 40 * object.vertices.size() + 8 * object.faceCorners.size() + 64;
  }
  out.reserve(estimate);
  for (const std::string& line : scene.header) (out += line) += '\n';
  ElementOffsets offsets;
  for (const SceneObject& object : scene.objects) WriteObject(out, object, offsets);
  for (const SceneBinding& binding : scene.bindings) {
    out += kBindingComment;
    out += ' ';
    AppendInteger(out, binding.base + 1);
    out += ' ';
    AppendInteger(out, binding.target + 1);
    out += '\n';
  }
  return out;
}

}  // namespace palisor_cli
