// Writes a scene as Wavefront OBJ: the header lines, every object with all its vertices in index
// order and its faces, then the morph feature's bindings as comments that the reader understands.
//
// Every line ends in LF, except a line whose own text ends in CR, which ends in CR LF: the reader
// takes one CR before an LF as part of the line end, so the text's own CRs come back whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/point.h"
#include "scene/scene.h"

namespace palisor_scene {

// An object to write, borrowed from a scene or from a document; the pointers must outlive the
// writing.
struct ObjObjectView {
  const std::string* name = nullptr;
  PointSpan vertices;
  // Null for an object without faces.
  const std::vector<int32_t>* faceCorners = nullptr;
  const std::vector<int32_t>* faceSizes = nullptr;
  // Null when the object carries nothing more.
  const ObjPassthrough* passthrough = nullptr;
};

struct ObjSceneView {
  const std::vector<std::string>* header = nullptr;
  std::vector<ObjObjectView> objects;
  std::vector<SceneBinding> bindings;
};

ObjSceneView ViewOf(const Scene& scene);

std::string WriteObjText(const Scene& scene);

// Writes the scene to `file` as it formats it: pieces of the text are formatted on up to
// `threadCount` threads and written in order, so the whole text is never held at once. Returns 0,
// or the errno of the write that failed (the file is then incomplete). Out of memory throws
// std::bad_alloc once every thread has stopped.
int WriteObj(const ObjSceneView& scene, std::FILE* file, unsigned threadCount);

}  // namespace palisor_scene
