#include "scene_run/result_writing.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "scene/gltf/gltf_writer.h"
#include "scene/obj/obj_writer.h"
#include "scene_run/output_file.h"

namespace palisor_run {

using palisor_scene::SceneFormat;

std::size_t WriteResult(const SceneRunOptions& options, const LoadedInput& input,
                        const palisor_scene::RunResult& result) {
  if (input.outputFormat == SceneFormat::kObj) {
    // Objects of the source scene only lend their shapes; they are not written.
    std::vector<int32_t> leftOut;
    if (input.sceneIndex > 0) leftOut.push_back(0);
    const palisor_scene::ObjSceneView view =
        input.document->View(input.scene.scene.header, input.morphFeature->Bindings(), leftOut);
    WriteFileAtomically(options.outputPath, [&view](std::FILE* file) {
      return palisor_scene::WriteObj(view, file, MachineThreadCount());
    });
    return view.objects.size();
  }
  palisor_scene::GltfOutput output;
  output.path = options.outputPath;
  output.binary = input.outputFormat == SceneFormat::kGltfBinary;
  output.followAnimation = options.followAnimation;
  const palisor_scene::GltfScene scene{{}, input.scene.origins, input.scene.gltf};
  const palisor_scene::GltfBytes bytes =
      palisor_scene::WriteGltfResult(scene, input.sceneIndex, result, output);
  WriteFileAtomically(output.path, [&bytes](std::FILE* file) { return bytes.Write(file); });
  return input.scene.gltf->meshNodes.size();
}

}  // namespace palisor_run
