// Real glTF models from Debian's assimp-testmodels: read and written back with no run they keep
// every accessor's bytes and stay valid; a morph cube's targets carried over onto a skinned mesh
// of another file come out valid with their names.
#include <gtest/gtest.h>

#include "cli_process.h"
#include "gltf_clients.h"
#include "scene/gltf/gltf_accessor.h"
#include "scene/gltf/gltf_reader.h"
#include "scene/gltf/gltf_writer.h"
#include "scene_run/output_file.h"

namespace {

const std::string kSamples = PALISOR_GLTF_SAMPLES_DIR;

// The bytes of every buffer view an accessor reads, in accessor order.
std::vector<std::string> AccessorBytes(const tinygltf::Model& model) {
  std::vector<std::string> bytes;
  for (const tinygltf::Accessor& accessor : model.accessors) {
    std::string data;
    if (accessor.bufferView >= 0) {
      const tinygltf::BufferView& view =
          model.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
      const auto& buffer = model.buffers[static_cast<std::size_t>(view.buffer)].data;
      data.assign(buffer.begin() + static_cast<std::ptrdiff_t>(view.byteOffset),
                  buffer.begin() + static_cast<std::ptrdiff_t>(view.byteOffset + view.byteLength));
    }
    bytes.push_back(std::move(data));
  }
  return bytes;
}

TEST(GltfSampleModelsTest, WrittenBackUnchangedAndValid) {
  const std::vector<std::pair<std::string, std::string>> models = {
      {"BoxTextured-glTF/BoxTextured.gltf", "box.glb"},
      {"BoxTextured-glTF-Binary/BoxTextured.glb", "box-binary.gltf"},
      {"BoxTextured-glTF-Embedded/BoxTextured.gltf", "box-embedded.gltf"},
      {"glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", "morph-cube.glb"},
      {"simple_skin/simple_skin.gltf", "simple-skin.gltf"},
      {"cameras/Cameras.gltf", "cameras.glb"},
  };
  TestFolder folder;
  std::vector<ClientCheck> checks;
  for (const auto& model : models) {
    SCOPED_TRACE(model.first);
    const std::string input = kSamples + "/" + model.first;
    const palisor_scene::GltfScene read = palisor_scene::ReadGltfFile(input);
    palisor_scene::GltfOutput output;
    output.path = folder.Path(model.second).string();
    output.binary = model.second.substr(model.second.size() - 4) == ".glb";
    // A run that made nothing.
    const palisor_scene::RunResult nothing;
    palisor_run::WriteFileAtomically(
        output.path, palisor_scene::WriteGltfResult(read, 0, nothing, output).Joined());
    const palisor_scene::GltfScene again = palisor_scene::ReadGltfFile(output.path);
    EXPECT_EQ(AccessorBytes(again.file->model), AccessorBytes(read.file->model));
    checks.push_back(ClientCheck{output.path, input});
  }

  // The morph cube's two targets onto the skinned mesh of another file.
  const std::string skin = kSamples + "/simple_skin/simple_skin.gltf";
  const std::string result = folder.Path("skin-with-cube-targets.glb").string();
  const CliResult run =
      RunCli({skin, "--source-scene",
              kSamples + "/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", "-o",
              result, "--select", "AnimatedMorphCube", "--select", "mesh 0", "--tick-all"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("mesh 0: target 0, target 1\n"), std::string::npos) << run.out;
  const palisor_scene::GltfScene written = palisor_scene::ReadGltfFile(result);
  EXPECT_EQ(written.scene.objects.size(), 3u);  // the skinned mesh and its two new targets
  ClientCheck check{result, skin};
  for (int t = 0; t < 2; ++t) {
    const int accessor =
        written.file->model.meshes[0].primitives[0].targets[static_cast<std::size_t>(t)].at(
            "POSITION");
    check.targets.push_back(
        {{"mesh", 0},
         {"primitive", 0},
         {"name", "target " + std::to_string(t)},
         {"position",
          palisor_scene::ReadFloatAccessor(written.file->model, accessor, 3, {result, "target"})}});
  }
  checks.push_back(check);
  ExpectClientsAccept(checks, folder.Path("").string());
}

}  // namespace
