#include "scene_run/weight_carrying.h"

#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "scene/gltf/gltf_skin_plan.h"
#include "scene/gltf/gltf_skin_weights.h"
#include "scene_run/input_error.h"
#include "scene_run/prepared_source_shape.h"
#include "weight_transfer/weight_transfer.h"

namespace palisor_run {

namespace {

using palisor_scene::DestinationWeights;
using palisor_scene::GltfMeshNode;

const host_imitation::FaceList& NoFaces() {
  static const host_imitation::FaceList none;
  return none;
}

// An object of the run with its triangles, as the transfer takes it.
struct ObjectMesh {
  std::vector<Vector3> positions;
  std::vector<uint32_t> triangles;

  explicit ObjectMesh(const ObjectState& object)
      : positions(Vector3Positions(object.vertices)),
        triangles(FanTriangles(object.faces ? *object.faces : NoFaces(), positions.size())) {}
  TriangleMesh Mesh() const {
    return TriangleMesh{positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
  }
};

// The node of the written glTF file that the run's object stands for.
const GltfMeshNode& MeshNodeOf(const SceneRunOptions& options, const LoadedInput& input,
                               const ObjectState& object, const char* role) {
  const palisor_scene::SceneObjectRef ref = input.document->Origin(*object.object);
  const std::string named = std::string("the ") + role + " '" + object.name + "'";
  if (ref.scene != input.sceneIndex) {
    throw InputError(named + " comes from " + options.sourceScenePath +
                     ", which is not written: skin weights are carried within the file written");
  }
  const auto& origins = input.scene.origins;
  if (!input.scene.gltf || ref.object >= origins.size() || origins[ref.object] == nullptr) {
    throw InputError(named + " is not a node of a glTF file");
  }
  if (origins[ref.object]->target >= 0) {
    throw InputError(named + " is a morph target, not a mesh node: skins belong to nodes");
  }
  return input.scene.gltf->meshNodes[origins[ref.object]->meshNode];
}

WeightMethod MethodOf(WeightMethodChoice method) {
  switch (method) {
    case WeightMethodChoice::kNearest:
      return WeightMethod::kNearest;
    case WeightMethodChoice::kSurface:
      return WeightMethod::kSurface;
    case WeightMethodChoice::kRobust:
      break;
  }
  return WeightMethod::kRobust;
}

WeightTransferOptions TransferOptionsOf(const SceneRunOptions& options, const ObjectMesh& source) {
  WeightTransferOptions transfer;
  transfer.method = MethodOf(options.weightRequest.method);
  if (options.maxDistance) {
    transfer.maxDistance =
        options.maxDistance->percentOfSource
            ? static_cast<float>(TriangleBoxDiagonal(source.positions, source.triangles) *
                                 options.maxDistance->value / 100.0)
            : options.maxDistance->value;
  }
  if (options.maxAngleDegrees) transfer.maxAngleDegrees = *options.maxAngleDegrees;
  transfer.smoothingPasses = options.weightRequest.smoothingPasses;
  transfer.maxInfluences = options.weightRequest.maxInfluences;
  transfer.threadCount = MachineThreadCount();
  return transfer;
}

// The transfer library's marks as the run result tells them.
std::vector<uint8_t> Outcomes(const std::vector<uint8_t>& marks) {
  std::vector<uint8_t> outcomes(marks.size(), 0);
  for (std::size_t v = 0; v < marks.size(); ++v) {
    if ((marks[v] & kVertexMatched) != 0) outcomes[v] |= palisor_scene::kVertexMatchedOnSurface;
    if ((marks[v] & kVertexFilled) != 0) outcomes[v] |= palisor_scene::kVertexFilled;
    if ((marks[v] & kVertexRigid) != 0) outcomes[v] |= palisor_scene::kVertexMovedRigidly;
  }
  return outcomes;
}

// The Source's skin and weights, ready for the transfer.
struct SourceSkin {
  palisor_scene::NodeSkinWeights weights;
  ObjectMesh mesh;
  const std::vector<uint8_t>* used = nullptr;
};

// A skinned vertex without weights has no place: where the Source has none to give (its vertices
// there weigh nothing, or the vertex's position is not finite) the run is refused.
void RefuseUnweighted(const DestinationWeights& weights, const std::string& path) {
  std::size_t unweighted = 0;
  std::size_t first = 0;
  for (std::size_t v = 0; v < weights.weights.size() / weights.influences; ++v) {
    if (weights.weights[v * weights.influences] != 0.0f) continue;
    if (unweighted++ == 0) first = v;
  }
  if (unweighted == 0) return;
  throw InputError(path + ": the Destination '" + weights.destination + "' has " +
                   std::to_string(unweighted) + " vertices (the first is vertex " +
                   std::to_string(first) +
                   ") that find no weights on the Source: its vertices there weigh nothing, or "
                   "the vertex's position is not finite");
}

// Computes one Destination's weights into `weights`.
void Transfer(const SourceSkin& source, const WeightTransferOptions& transfer,
              const ObjectState& destination, const std::string& path,
              DestinationWeights& weights) {
  const ObjectMesh mesh(destination);
  const std::size_t slots = mesh.positions.size() * transfer.maxInfluences;
  weights.influences = transfer.maxInfluences;
  weights.joints.assign(slots, 0);
  weights.weights.assign(slots, 0.0f);
  std::vector<uint8_t> marks(mesh.positions.size(), 0);
  const SparseWeights given{source.mesh.positions.size(), source.weights.influences,
                            source.weights.joints.data(), source.weights.weights.data()};
  std::string error;
  WeightTransferFailure failure = WeightTransferFailure::kNone;
  if (!TransferWeights(source.mesh.Mesh(), source.used->data(), given, source.weights.jointCount,
                       mesh.Mesh(), nullptr, transfer, weights.joints.data(),
                       weights.weights.data(), marks.data(), &error, &failure)) {
    if (failure == WeightTransferFailure::kMemory) throw std::bad_alloc();
    const std::string what = path + ": the weights of the Destination '" + destination.name +
                             "' cannot be carried over: " + error;
    if (failure == WeightTransferFailure::kInput) throw InputError(what);
    throw std::runtime_error(what);
  }
  RefuseUnweighted(weights, path);
  if (transfer.method == WeightMethod::kRobust) weights.marks = Outcomes(marks);
}

}  // namespace

void RefuseWeightsWithoutSkins(const SceneRunOptions& options, const LoadedInput& input) {
  if (!options.weights || options.list) return;
  if (input.outputFormat == palisor_scene::SceneFormat::kObj) {
    throw InputError(
        "--weights gives the Destinations a skin, which an OBJ file cannot hold: "
        "write the result as .gltf or .glb");
  }
}

void CarryWeights(const SceneRunOptions& options, const LoadedInput& input,
                  const RunObjects& objects, palisor_scene::RunResult& result) {
  if (objects.source == nullptr) return;
  const palisor_scene::GltfFile& file = *input.scene.gltf;
  const GltfMeshNode& sourceNode = MeshNodeOf(options, input, *objects.source, "Source");
  const int skin = palisor_scene::SourceSkin(file, sourceNode);
  std::vector<DestinationWeights> planned;
  for (std::size_t d = 0; d < objects.destinations.size(); ++d) {
    const ObjectState& destination = *objects.destinations[d].destination;
    DestinationWeights weights;
    weights.row = d;
    weights.destination = destination.name;
    weights.skin = skin;
    weights.replaced = palisor_scene::HasSkinAlready(
        file, MeshNodeOf(options, input, destination, "Destination"), skin);
    planned.push_back(std::move(weights));
  }
  const SourceSkin source{palisor_scene::ReadSkinWeights(file, sourceNode),
                          ObjectMesh(*objects.source), &objects.sourceUsed};
  if (source.weights.joints.size() != source.mesh.positions.size() * source.weights.influences) {
    throw InputError("the Source '" + objects.source->name +
                     "' has other vertices than its glTF mesh's weights");
  }
  const WeightTransferOptions transfer = TransferOptionsOf(options, source.mesh);
  for (DestinationWeights& weights : planned) {
    Transfer(source, transfer, *objects.destinations[weights.row].destination, file.path, weights);
  }
  result.weights = std::move(planned);
}

}  // namespace palisor_run
