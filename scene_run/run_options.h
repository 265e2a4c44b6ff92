// What one run on one scene is asked to do: the scene and where the result goes, the objects to
// select, how to answer the plug-in's dialog, how the Destinations' vertices take their motion,
// and the preview to draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "preview/view.h"

namespace palisor_run {

// The dialog's listing modes, numbered as the tool numbers them.
enum class ListingMode : int32_t { kKeynote = 0, kVertexCount = 1, kMorph = 2 };

const char* ListingModeName(ListingMode mode);

// One tick or untick of a candidate by name, in the order given.
struct TickChange {
  bool tick = true;
  std::string name;
};

// An inclusive range of vertex indexes.
struct IndexRange {
  int64_t first = 0;
  int64_t last = 0;
};

// Vertices to select in every object bearing the name.
struct VertexSelection {
  std::string objectName;
  std::vector<IndexRange> ranges;
};

using palisor_preview::PreviewView;

// How Destination vertices take their motion: the plug-in's rule, or along the Source's surface.
enum class TransferMethodChoice { kNearest, kSurface, kCarry };

const char* TransferMethodName(TransferMethodChoice method);

// How skin weights are computed (see weight_transfer/weight_transfer.h).
enum class WeightMethodChoice { kNearest, kSurface, kRobust };

const char* WeightMethodName(WeightMethodChoice method);

// What --weights asks of a glTF run: every Destination takes the Source's skin and weights.
struct WeightRequest {
  WeightMethodChoice method = WeightMethodChoice::kRobust;
  // The most joints a Destination vertex keeps, four to a JOINTS_n and WEIGHTS_n set.
  std::size_t maxInfluences = 4;
  // Smoothing passes after the robust method's fill.
  uint32_t smoothingPasses = 0;
};

// The distance limit of the surface methods: in scene units, or a share of the Source's bounding
// box diagonal.
struct DistanceLimit {
  float value = 0.0f;
  bool percentOfSource = false;
};

struct SceneRunOptions {
  std::string scenePath;
  // A scene whose objects come first in the document and are not written; empty for none.
  std::string sourceScenePath;
  std::string outputPath;
  std::vector<std::string> selectNames;
  // Unset: keynote, or morph for a glTF scene.
  std::optional<ListingMode> mode;
  // Tick every candidate (true) or none (false), applied before the single changes.
  std::optional<bool> tickEverything;
  std::vector<TickChange> tickChanges;
  bool selectedVerticesOnly = false;
  std::vector<VertexSelection> vertexSelections;
  bool noBackup = false;
  // Whether, in a glTF result, the new morph targets' weights follow the animations of the Source
  // targets they were made from.
  bool followAnimation = true;
  TransferMethodChoice method = TransferMethodChoice::kNearest;
  // Whether the Destinations take the Source's skin weights, and how.
  bool weights = false;
  WeightRequest weightRequest;
  // Limits of the surface methods and of the robust weights, and the no-clipping distance of the
  // surface methods; unset: none.
  std::optional<DistanceLimit> maxDistance;
  std::optional<float> maxAngleDegrees;
  std::optional<float> keepOutside;
  // Each as given, "BASE=TARGET": names may hold "=" themselves, so the split is made once the
  // scene's names are known.
  std::vector<std::string> bindings;
  // The contact sheet of the run, a PNG file; empty for none.
  std::string previewPath;
  PreviewView previewView = PreviewView::kThreeQuarter;
  // The size of one picture of the sheet, in pixels.
  int32_t previewWidth = 256;
  int32_t previewHeight = 256;
  // Only list the candidates the dialog offers; or press Cancel instead of OK.
  bool list = false;
  bool cancel = false;
};

}  // namespace palisor_run
