// The OBJ reader on any text: it either refuses the text with an InputError or reads a scene that,
// written and read again, is the same scene, and is written again as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/input_error.h"
#include "cli/obj_reader.h"
#include "cli/obj_writer.h"
#include "fuzz/scene_equality.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  palisor_cli::Scene scene;
  try {
    scene = palisor_cli::ReadObjText(text, "fuzz.obj");
  } catch (const palisor_cli::InputError&) {
    return 0;
  }
  const std::string written = palisor_cli::WriteObjText(scene);
  palisor_cli::Scene again;
  try {
    again = palisor_cli::ReadObjText(written, "written.obj");
  } catch (const palisor_cli::InputError& error) {
    FuzzFailure("the reader refuses what the writer wrote", error.what());
  }
  CheckSameScene(scene, again);
  if (palisor_cli::WriteObjText(again) != written) {
    FuzzFailure("a scene read back is written differently", "");
  }
  return 0;
}
