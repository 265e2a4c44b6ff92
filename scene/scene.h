// A Wavefront OBJ scene as the command line reads and writes it: named objects in file order, each
// with its vertex positions and faces, and whatever else the file said about the object kept as
// text so that it goes out again unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/point.h"

namespace palisor_scene {

// A line of an object's section that is neither a vertex nor a face (a material, a smoothing
// group, a group name, a comment), kept with its place among the faces.
struct ObjStatement {
  std::size_t facesBefore = 0;
  std::string text;
};

// What an object carries beyond positions and faces. Shared by an object and its clones, and
// never changed once read.
struct ObjPassthrough {
  // Whole `vt` and `vn` lines of the object, in file order.
  std::vector<std::string> texcoords;
  std::vector<std::string> normals;
  // What followed x y z on each `v` line (a w or a colour), verbatim with its leading blank;
  // empty when no vertex of the object had anything more.
  std::vector<std::string> vertexTails;
  // Per face corner, in face order: the object's own texture coordinate and normal indexes
  // (from 0), or -1 where the corner named none. Empty when no corner named any.
  std::vector<int32_t> cornerTexcoords;
  std::vector<int32_t> cornerNormals;
  std::vector<ObjStatement> statements;
};

struct SceneObject {
  std::string name;
  std::vector<Point> vertices;
  // Corners of all faces one after another, as indexes into `vertices`; faceSizes says how many
  // corners each face has.
  std::vector<int32_t> faceCorners;
  std::vector<int32_t> faceSizes;
  std::shared_ptr<const ObjPassthrough> passthrough;
};

// A binding of the host's morph feature: the target object belongs to the base object. Both are
// indexes into Scene::objects.
struct SceneBinding {
  int32_t base = 0;
  int32_t target = 0;
};

struct Scene {
  // Lines before the first object (materials libraries, comments), verbatim.
  std::vector<std::string> header;
  std::vector<SceneObject> objects;
  std::vector<SceneBinding> bindings;
};

// The comment that records one binding: "# palisor-bind BASE TARGET", where BASE and TARGET count
// the file's objects from 1 in the order of their `o` lines.
constexpr const char* kBindingComment = "# palisor-bind";

}  // namespace palisor_scene
