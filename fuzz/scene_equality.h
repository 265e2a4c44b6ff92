// Comparing scenes in full for the harnesses: every name, line and vertex bit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/scene.h"

[[noreturn]] inline void FuzzFailure(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz failure: %s %s\n", what, detail.c_str());
  std::abort();
}

inline bool SameBits(const Vector3& a, const Vector3& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool SamePassthrough(const palisor_scene::ObjPassthrough* a,
                            const palisor_scene::ObjPassthrough* b) {
  static const palisor_scene::ObjPassthrough kNone;
  const palisor_scene::ObjPassthrough& x = a != nullptr ? *a : kNone;
  const palisor_scene::ObjPassthrough& y = b != nullptr ? *b : kNone;
  if (x.statements.size() != y.statements.size()) return false;
  for (std::size_t i = 0; i < x.statements.size(); ++i) {
    if (x.statements[i].facesBefore != y.statements[i].facesBefore ||
        x.statements[i].text != y.statements[i].text) {
      return false;
    }
  }
  return x.texcoords == y.texcoords && x.normals == y.normals && x.vertexTails == y.vertexTails &&
         x.cornerTexcoords == y.cornerTexcoords && x.cornerNormals == y.cornerNormals;
}

// Aborts, naming the first difference, unless the scenes are the same.
inline void CheckSameScene(const palisor_scene::Scene& a, const palisor_scene::Scene& b) {
  if (a.header != b.header) FuzzFailure("the header differs", "");
  if (a.objects.size() != b.objects.size()) FuzzFailure("the object count differs", "");
  for (std::size_t i = 0; i < a.objects.size(); ++i) {
    const palisor_scene::SceneObject& x = a.objects[i];
    const palisor_scene::SceneObject& y = b.objects[i];
    const std::string which = "in object " + std::to_string(i + 1);
    if (x.name != y.name) FuzzFailure("the name differs", which);
    if (x.vertices.size() != y.vertices.size()) FuzzFailure("the vertex count differs", which);
    for (std::size_t v = 0; v < x.vertices.size(); ++v) {
      if (!SameBits(x.vertices[v], y.vertices[v])) FuzzFailure("a vertex differs", which);
    }
    if (x.faceCorners != y.faceCorners || x.faceSizes != y.faceSizes) {
      FuzzFailure("the faces differ", which);
    }
    if (!SamePassthrough(x.passthrough.get(), y.passthrough.get())) {
      FuzzFailure("the passed-through lines differ", which);
    }
  }
  if (a.bindings.size() != b.bindings.size()) FuzzFailure("the bindings differ", "");
  for (std::size_t i = 0; i < a.bindings.size(); ++i) {
    if (a.bindings[i].base != b.bindings[i].base || a.bindings[i].target != b.bindings[i].target) {
      FuzzFailure("the bindings differ", "");
    }
  }
}
