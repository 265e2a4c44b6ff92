// The OBJ reader on any text: it either refuses the text with an InputError or reads a scene that,
// written and read again, is the same scene, and is written again as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/scene_equality.h"
#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "scene/scene_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  palisor_scene::Scene scene;
  try {
    scene = palisor_scene::ReadObjText(text, "fuzz.obj");
  } catch (const palisor_scene::SceneError&) {
    return 0;
  }
  const std::string written = palisor_scene::WriteObjText(scene);
  palisor_scene::Scene again;
  try {
    again = palisor_scene::ReadObjText(written, "written.obj");
  } catch (const palisor_scene::SceneError& error) {
    FuzzFailure("the reader refuses what the writer wrote", error.what());
  }
  CheckSameScene(scene, again);
  if (palisor_scene::WriteObjText(again) != written) {
    FuzzFailure("a scene read back is written differently", "");
  }
  return 0;
}
