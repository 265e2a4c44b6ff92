// A scene as read from a file and written back: named objects in file order, each with its vertex
// positions and faces, and the bindings of morph targets to their bases. What a Wavefront OBJ
// file says beyond that is kept with each object as text, so that it goes out again unchanged; a
// glTF file's own data stays with the file it came from (scene/gltf/gltf_file.h).
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

// What an object of an OBJ file carries beyond positions and faces. Never changed once read; a
// morph object made from the object is written with it too.
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
  std::vector<Vector3> vertices;
  // Corners of all faces one after another, as indexes into `vertices`; faceSizes says how many
  // corners each face has.
  std::vector<int32_t> faceCorners;
  std::vector<int32_t> faceSizes;
  // Null for an object that carries nothing more (and for every object of a glTF file).
  std::shared_ptr<const ObjPassthrough> passthrough;
};

// A binding of a morph target to its base object (the host's morph feature holds them while the
// plug-in runs). Both are indexes into Scene::objects.
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
