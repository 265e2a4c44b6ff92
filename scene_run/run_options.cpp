#include "scene_run/run_options.h"

namespace palisor_run {

const char* ListingModeName(ListingMode mode) {
  switch (mode) {
    case ListingMode::kKeynote:
      return "keynote";
    case ListingMode::kVertexCount:
      return "vertex-count";
    case ListingMode::kMorph:
      return "morph";
  }
  return "?";
}

const char* TransferMethodName(TransferMethodChoice method) {
  switch (method) {
    case TransferMethodChoice::kNearest:
      return "nearest";
    case TransferMethodChoice::kSurface:
      return "surface";
    case TransferMethodChoice::kCarry:
      return "carry";
  }
  return "?";
}

const char* WeightMethodName(WeightMethodChoice method) {
  switch (method) {
    case WeightMethodChoice::kNearest:
      return "nearest";
    case WeightMethodChoice::kSurface:
      return "surface";
    case WeightMethodChoice::kRobust:
      return "robust";
  }
  return "?";
}

}  // namespace palisor_run
