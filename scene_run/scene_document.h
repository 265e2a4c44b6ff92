// The one place where scenes become a document of the imitated host and the document becomes a
// scene again: each object read becomes an object of the document, and every object of the
// document afterwards (a morph object the run cloned from a Destination included) is traced back
// to the scene object it stands for, whose format's own data it is written with.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "scene/obj/obj_writer.h"
#include "scene/run_result.h"
#include "scene/scene.h"

namespace palisor_run {

class SceneDocument {
 public:
  // Appends the objects of `scenes` to the document, scene by scene in file order. Their faces
  // move into the document and their positions are copied there; names and each format's own
  // data stay in the scenes, which must outlive this.
  SceneDocument(const std::vector<palisor_scene::Scene*>& scenes,
                host_imitation::HostDocument& document);

  host_imitation::HostDocument& document() const { return document_; }
  // Every object read, in reading order.
  const std::vector<host_imitation::HostObject*>& objects() const { return objects_; }
  // The bindings of all scenes, as positions in objects().
  const std::vector<palisor_scene::SceneBinding>& bindings() const { return bindings_; }

  // The scene object an object of the document stands for: the one it was built from, or for a
  // clone of such an object (the plug-in clones only objects it was given), its original's.
  palisor_scene::SceneObjectRef Origin(const host_imitation::HostObject& object) const;
  // Null when the object stands for none.
  const palisor_scene::SceneObject* SceneObjectOf(const host_imitation::HostObject& object) const;

  // The document as a scene to write: every object in slot order (empty slots and objects of the
  // scenes in `leftOut` skipped), with the given header and the bindings to write. The view
  // borrows the document's geometry; the scene is a copy.
  palisor_scene::ObjSceneView View(const std::vector<std::string>& header,
                                   const std::vector<std::pair<MQObject, MQObject>>& bindings,
                                   const std::vector<int32_t>& leftOut = {}) const;
  palisor_scene::Scene ToScene(std::vector<std::string> header,
                               const std::vector<std::pair<MQObject, MQObject>>& bindings) const;

 private:
  std::vector<const host_imitation::HostObject*> Written(const std::vector<int32_t>& leftOut) const;

  std::vector<palisor_scene::Scene*> scenes_;
  host_imitation::HostDocument& document_;
  std::vector<host_imitation::HostObject*> objects_;
  std::vector<palisor_scene::SceneBinding> bindings_;
  std::map<int32_t, palisor_scene::SceneObjectRef> bySerial_;
};

// The bindings to write: those whose two objects are among `written` (each once), as positions
// in it.
std::vector<palisor_scene::SceneBinding> BindingsToWrite(
    const std::vector<const host_imitation::HostObject*>& written,
    const std::vector<std::pair<MQObject, MQObject>>& bindings);

}  // namespace palisor_run
