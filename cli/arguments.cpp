#include "cli/arguments.h"

#include <cstddef>
#include <limits>

#include "cli/batch_arguments.h"
#include "cli/help_text.h"
#include "scene/float_text.h"
#include "scene_run/input_error.h"

namespace palisor_cli {

using palisor_run::DistanceLimit;
using palisor_run::IndexRange;
using palisor_run::InputError;
using palisor_run::ListingMode;
using palisor_run::PreviewView;
using palisor_run::SceneRunOptions;
using palisor_run::TickChange;
using palisor_run::TransferMethodChoice;
using palisor_run::VertexSelection;
using palisor_run::WeightMethodChoice;

namespace {

// The most influences a vertex may keep, and smoothing passes a run may ask for.
constexpr int64_t kMostInfluences = 32;
constexpr int64_t kMostSmoothingPasses = 100;

bool ParseIndex(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 10) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= std::numeric_limits<int32_t>::max();
}

ListingMode ParseMode(const std::string& text) {
  if (text == "keynote") return ListingMode::kKeynote;
  if (text == "vertex-count") return ListingMode::kVertexCount;
  if (text == "morph") return ListingMode::kMorph;
  throw InputError("--mode takes keynote, vertex-count or morph, not '" + text + "'");
}

PreviewView ParseView(const std::string& text) {
  if (text == "front") return PreviewView::kFront;
  if (text == "side") return PreviewView::kSide;
  if (text == "top") return PreviewView::kTop;
  if (text == "three-quarter") return PreviewView::kThreeQuarter;
  throw InputError("--view takes front, side, top or three-quarter, not '" + text + "'");
}

// "WxH", each side from 16 to 4096 pixels.
void ParsePreviewSize(const std::string& text, SceneRunOptions& parsed) {
  const std::size_t split = text.find('x');
  int64_t width = 0;
  int64_t height = 0;
  if (split == std::string::npos || !ParseIndex(text.substr(0, split), width) ||
      !ParseIndex(text.substr(split + 1), height) || width < 16 || height < 16 || width > 4096 ||
      height > 4096) {
    throw InputError("--preview-size takes WIDTHxHEIGHT in pixels, each from 16 to 4096, not '" +
                     text + "'");
  }
  parsed.previewWidth = static_cast<int32_t>(width);
  parsed.previewHeight = static_cast<int32_t>(height);
}

TransferMethodChoice ParseMethod(const std::string& text) {
  if (text == "nearest") return TransferMethodChoice::kNearest;
  if (text == "surface") return TransferMethodChoice::kSurface;
  if (text == "carry") return TransferMethodChoice::kCarry;
  throw InputError("--method takes nearest, surface or carry, not '" + text + "'");
}

WeightMethodChoice ParseWeightMethod(const std::string& text) {
  if (text == "nearest") return WeightMethodChoice::kNearest;
  if (text == "surface") return WeightMethodChoice::kSurface;
  if (text == "robust") return WeightMethodChoice::kRobust;
  throw InputError("--weights-method takes nearest, surface or robust, not '" + text + "'");
}

// A whole number from `low` to `high`.
uint32_t ParseWhole(const std::string& option, const std::string& text, int64_t low, int64_t high) {
  int64_t value = 0;
  if (!ParseIndex(text, value) || value < low || value > high) {
    throw InputError(option + " takes a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + text + "'");
  }
  return static_cast<uint32_t>(value);
}

// A finite number not below zero (and, for `positive`, above it); `what` says what it is.
float ParseAmount(const std::string& option, const std::string& text, const char* what,
                  bool positive) {
  float value = 0.0f;
  const bool parsed = palisor_scene::ParseFloat(text.data(), text.data() + text.size(), value);
  if (!parsed || !(value >= 0.0f) || value > 3.0e38f || (positive && value == 0.0f)) {
    throw InputError(option + " takes " + what + ", not '" + text + "'");
  }
  return value;
}

DistanceLimit ParseDistanceLimit(const std::string& text) {
  const char* what =
      "a distance above 0 in scene units, or a percentage of the Source's size "
      "such as 5%";
  DistanceLimit limit;
  limit.percentOfSource = !text.empty() && text.back() == '%';
  const std::string number = limit.percentOfSource ? text.substr(0, text.size() - 1) : text;
  limit.value = ParseAmount("--max-distance", number, what, true);
  return limit;
}

VertexSelection ParseVertexSelection(const std::string& text) {
  // Index lists hold no "=", so the last one ends the object name.
  const std::size_t split = text.rfind('=');
  if (split == std::string::npos) {
    throw InputError("--select-vertices takes OBJECT=INDEXES, not '" + text + "'");
  }
  return VertexSelection{text.substr(0, split), ParseIndexList(text.substr(split + 1))};
}

}  // namespace

std::vector<IndexRange> ParseIndexList(const std::string& text) {
  std::vector<IndexRange> ranges;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma - start);
    const std::size_t dash = item.find('-');
    IndexRange range;
    const bool valid = dash == std::string::npos
                           ? ParseIndex(item, range.first)
                           : ParseIndex(item.substr(0, dash), range.first) &&
                                 ParseIndex(item.substr(dash + 1), range.last);
    if (dash == std::string::npos) range.last = range.first;
    if (!valid || range.last < range.first) {
      throw InputError("'" + text +
                       "' is not a list of vertex indexes and ranges such as 0,5,10-20");
    }
    ranges.push_back(range);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return ranges;
}

namespace {

// An option that stands alone; false for any other argument.
bool TakeFlag(const std::string& argument, Arguments& parsed) {
  if (argument == "--tick-all" || argument == "--tick-none") {
    const bool everything = argument == "--tick-all";
    if (parsed.run.tickEverything && *parsed.run.tickEverything != everything) {
      throw InputError("--tick-all and --tick-none exclude each other");
    }
    parsed.run.tickEverything = everything;
  } else if (argument == "--selected-vertices-only") {
    parsed.run.selectedVerticesOnly = true;
  } else if (argument == "--no-backup") {
    parsed.run.noBackup = true;
  } else if (argument == "--weights") {
    parsed.run.weights = true;
  } else if (argument == "--no-follow-animation") {
    parsed.run.followAnimation = false;
  } else if (argument == "--list") {
    parsed.run.list = true;
  } else if (argument == "--cancel") {
    parsed.run.cancel = true;
  } else if (argument == "--help" || argument == "-h") {
    parsed.help = true;
  } else if (argument == "--version") {
    parsed.version = true;
  } else {
    return false;
  }
  return true;
}

// The arguments one after another, for options that take the next one as their value.
class ArgumentWalk {
 public:
  explicit ArgumentWalk(const std::vector<std::string>& arguments) : arguments_(arguments) {}
  bool Done() const { return next_ >= arguments_.size(); }
  const std::string& Next() { return arguments_[next_++]; }
  const std::string& ValueOf(const std::string& option) {
    if (Done()) throw InputError(option + " needs a value");
    return Next();
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
};

// A file name option: given once, and not empty.
void TakeFileName(const std::string& option, ArgumentWalk& walk, std::string& path) {
  if (!path.empty()) throw InputError(option + " is given twice");
  path = walk.ValueOf(option);
  if (path.empty()) throw InputError(option + " needs a file name");
}

// An option that takes a value; false for any other argument. `previewOption` keeps the last
// option given that shapes a preview.
bool TakeValueOption(const std::string& option, ArgumentWalk& walk, SceneRunOptions& parsed,
                     std::string& previewOption) {
  if (option == "-o") {
    TakeFileName(option, walk, parsed.outputPath);
  } else if (option == "--source-scene") {
    TakeFileName(option, walk, parsed.sourceScenePath);
  } else if (option == "--preview") {
    TakeFileName(option, walk, parsed.previewPath);
  } else if (option == "--select") {
    parsed.selectNames.push_back(walk.ValueOf(option));
  } else if (option == "--mode") {
    const ListingMode mode = ParseMode(walk.ValueOf(option));
    if (parsed.mode && *parsed.mode != mode) throw InputError("--mode is given twice");
    parsed.mode = mode;
  } else if (option == "--tick" || option == "--untick") {
    parsed.tickChanges.push_back(TickChange{option == "--tick", walk.ValueOf(option)});
  } else if (option == "--select-vertices") {
    parsed.vertexSelections.push_back(ParseVertexSelection(walk.ValueOf(option)));
  } else if (option == "--bind") {
    const std::string& binding = walk.ValueOf(option);
    if (binding.find('=') == std::string::npos) {
      throw InputError("--bind takes BASE=TARGET, not '" + binding + "'");
    }
    parsed.bindings.push_back(binding);
  } else if (option == "--method") {
    parsed.method = ParseMethod(walk.ValueOf(option));
  } else if (option == "--max-distance") {
    parsed.maxDistance = ParseDistanceLimit(walk.ValueOf(option));
  } else if (option == "--max-angle") {
    parsed.maxAngleDegrees =
        ParseAmount(option, walk.ValueOf(option), "an angle in degrees from 0 to 180", false);
    if (*parsed.maxAngleDegrees > 180.0f) {
      throw InputError("--max-angle takes an angle in degrees from 0 to 180");
    }
  } else if (option == "--keep-outside") {
    parsed.keepOutside =
        ParseAmount(option, walk.ValueOf(option), "a distance of 0 or more in scene units", false);
  } else if (option == "--view") {
    parsed.previewView = ParseView(walk.ValueOf(option));
    previewOption = option;
  } else if (option == "--preview-size") {
    ParsePreviewSize(walk.ValueOf(option), parsed);
    previewOption = option;
  } else {
    return false;
  }
  return true;
}

// An option of the skin weights that takes a value; false for any other argument. `weightOption`
// keeps the last one given.
bool TakeWeightOption(const std::string& option, ArgumentWalk& walk, SceneRunOptions& parsed,
                      std::string& weightOption) {
  palisor_run::WeightRequest& request = parsed.weightRequest;
  if (option == "--weights-method") {
    request.method = ParseWeightMethod(walk.ValueOf(option));
  } else if (option == "--max-influences") {
    request.maxInfluences = ParseWhole(option, walk.ValueOf(option), 1, kMostInfluences);
  } else if (option == "--smooth-weights") {
    request.smoothingPasses = ParseWhole(option, walk.ValueOf(option), 0, kMostSmoothingPasses);
  } else {
    return false;
  }
  weightOption = option;
  return true;
}

// The options of the skin weights need --weights, and the smoothing the robust method.
void CheckWeightOptions(const std::string& weightOption, const SceneRunOptions& parsed) {
  if (!weightOption.empty() && !parsed.weights) {
    throw InputError(weightOption + " shapes the skin weights: it needs --weights");
  }
  const palisor_run::WeightRequest& request = parsed.weightRequest;
  if (request.smoothingPasses != 0 && request.method != WeightMethodChoice::kRobust) {
    throw InputError(
        "--smooth-weights belongs to the robust method: it needs --weights-method robust "
        "(the default)");
  }
}

// The scene file and the options that need others.
void CheckComplete(const std::vector<std::string>& positional, const std::string& previewOption,
                   SceneRunOptions& parsed) {
  if (positional.size() != 1) {
    throw InputError(positional.empty() ? "no scene file given"
                                        : "one scene file only, not '" + positional[1] + "'");
  }
  parsed.scenePath = positional[0];
  if (parsed.outputPath.empty() && !parsed.list) {
    throw InputError("no output file given (-o OUT.obj)");
  }
  if (parsed.selectNames.empty()) throw InputError("no object selected (--select NAME)");
  if (!previewOption.empty() && parsed.previewPath.empty()) {
    throw InputError(previewOption + " shapes a preview: it needs --preview FILE.png");
  }
  const bool alongSurface = parsed.method != TransferMethodChoice::kNearest;
  const bool robustWeights =
      parsed.weights && parsed.weightRequest.method == WeightMethodChoice::kRobust;
  if (!alongSurface && !robustWeights && (parsed.maxDistance || parsed.maxAngleDegrees)) {
    throw InputError(std::string(parsed.maxDistance ? "--max-distance" : "--max-angle") +
                     " belongs to the surface methods: it needs --method surface or carry, or "
                     "--weights with the robust method");
  }
  if (!alongSurface && parsed.keepOutside) {
    throw InputError(
        "--keep-outside belongs to the surface methods: it needs --method surface or "
        "carry");
  }
  if (!parsed.previewPath.empty() && parsed.list) {
    throw InputError("--list draws nothing: --preview needs a run");
  }
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& arguments) {
  Arguments parsed;
  std::vector<std::string> positional;
  std::string previewOption;
  std::string weightOption;
  ArgumentWalk walk(arguments);
  while (!walk.Done()) {
    const std::string& argument = walk.Next();
    const bool option = argument.size() > 1 && argument[0] == '-';
    if (option && !IsListedOption(argument)) throw InputError("unknown option " + argument);
    if (IsBatchOption(argument)) {
      throw InputError(argument + " is for runs over many files (with --out-dir DIR)");
    }
    if (TakeFlag(argument, parsed) || TakeValueOption(argument, walk, parsed.run, previewOption) ||
        TakeWeightOption(argument, walk, parsed.run, weightOption)) {
      continue;
    }
    if (option) throw InputError("option " + argument + " is listed in the help but not handled");
    positional.push_back(argument);
  }
  if (parsed.help || parsed.version) return parsed;
  CheckComplete(positional, previewOption, parsed.run);
  CheckWeightOptions(weightOption, parsed.run);
  return parsed;
}

}  // namespace palisor_cli
