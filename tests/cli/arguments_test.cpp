// The command line: every option as given, and every mistake refused with a clear message.
#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/help_text.h"
#include "scene_run/input_error.h"

namespace {

using palisor_cli::ParseArguments;
using palisor_run::InputError;
using palisor_run::ListingMode;

std::string ErrorOf(const std::vector<std::string>& arguments) {
  try {
    ParseArguments(arguments);
  } catch (const InputError& error) {
    return error.what();
  }
  return "";
}

TEST(ArgumentsTest, EveryOptionIsTakenInTheOrderGiven) {
  const palisor_run::SceneRunOptions parsed = ParseArguments({"scene.obj",
                                                              "-o",
                                                              "out.obj",
                                                              "--select",
                                                              "face",
                                                              "--select",
                                                              "body part",
                                                              "--mode",
                                                              "vertex-count",
                                                              "--tick",
                                                              "elem:a-face",
                                                              "--untick",
                                                              "elem:b-face",
                                                              "--tick",
                                                              "-x",
                                                              "--tick-none",
                                                              "--selected-vertices-only",
                                                              "--select-vertices",
                                                              "a=b=0,5,10-20",
                                                              "--no-backup",
                                                              "--bind",
                                                              "face=elem:a-face",
                                                              "--cancel",
                                                              "--preview",
                                                              "p.png",
                                                              "--view",
                                                              "side",
                                                              "--preview-size",
                                                              "320x200",
                                                              "--method",
                                                              "carry",
                                                              "--max-distance",
                                                              "2.5%",
                                                              "--max-angle",
                                                              "60",
                                                              "--keep-outside",
                                                              "0",
                                                              "--weights",
                                                              "--max-influences",
                                                              "8",
                                                              "--smooth-weights",
                                                              "3"})
                                                  .run;
  EXPECT_EQ(parsed.scenePath, "scene.obj");
  EXPECT_EQ(parsed.outputPath, "out.obj");
  EXPECT_EQ(parsed.selectNames, (std::vector<std::string>{"face", "body part"}));
  EXPECT_EQ(parsed.mode, ListingMode::kVertexCount);
  ASSERT_EQ(parsed.tickChanges.size(), 3u);
  EXPECT_TRUE(parsed.tickChanges[0].tick);
  EXPECT_FALSE(parsed.tickChanges[1].tick);
  EXPECT_EQ(parsed.tickChanges[1].name, "elem:b-face");
  EXPECT_EQ(parsed.tickChanges[2].name, "-x");
  EXPECT_EQ(parsed.tickEverything, false);
  EXPECT_TRUE(parsed.selectedVerticesOnly);
  ASSERT_EQ(parsed.vertexSelections.size(), 1u);
  EXPECT_EQ(parsed.vertexSelections[0].objectName, "a=b");
  ASSERT_EQ(parsed.vertexSelections[0].ranges.size(), 3u);
  EXPECT_EQ(parsed.vertexSelections[0].ranges[2].first, 10);
  EXPECT_EQ(parsed.vertexSelections[0].ranges[2].last, 20);
  EXPECT_TRUE(parsed.noBackup);
  EXPECT_EQ(parsed.bindings, (std::vector<std::string>{"face=elem:a-face"}));
  EXPECT_TRUE(parsed.cancel);
  EXPECT_FALSE(parsed.list);
  EXPECT_EQ(parsed.previewPath, "p.png");
  EXPECT_EQ(parsed.previewView, palisor_run::PreviewView::kSide);
  EXPECT_EQ(parsed.previewWidth, 320);
  EXPECT_EQ(parsed.previewHeight, 200);
  EXPECT_EQ(parsed.method, palisor_run::TransferMethodChoice::kCarry);
  ASSERT_TRUE(parsed.maxDistance.has_value());
  EXPECT_EQ(parsed.maxDistance->value, 2.5f);
  EXPECT_TRUE(parsed.maxDistance->percentOfSource);
  EXPECT_EQ(parsed.maxAngleDegrees, 60.0f);
  EXPECT_EQ(parsed.keepOutside, 0.0f);
  EXPECT_TRUE(parsed.weights);
  EXPECT_EQ(parsed.weightRequest.method, palisor_run::WeightMethodChoice::kRobust);
  EXPECT_EQ(parsed.weightRequest.maxInfluences, 8u);
  EXPECT_EQ(parsed.weightRequest.smoothingPasses, 3u);
}

TEST(ArgumentsTest, DefaultsLeaveTheDialogAsItOpens) {
  const palisor_run::SceneRunOptions parsed =
      ParseArguments({"--select", "a", "s.obj", "--list"}).run;
  EXPECT_FALSE(parsed.mode.has_value());
  EXPECT_FALSE(parsed.tickEverything.has_value());
  EXPECT_FALSE(parsed.noBackup);
  EXPECT_FALSE(parsed.selectedVerticesOnly);
  EXPECT_TRUE(parsed.outputPath.empty());
  EXPECT_TRUE(parsed.list);
  EXPECT_TRUE(parsed.previewPath.empty());
  EXPECT_EQ(parsed.previewView, palisor_run::PreviewView::kThreeQuarter);
  EXPECT_EQ(parsed.method, palisor_run::TransferMethodChoice::kNearest);
  EXPECT_FALSE(parsed.maxDistance || parsed.maxAngleDegrees || parsed.keepOutside);
  EXPECT_FALSE(parsed.weights);
  EXPECT_EQ(parsed.weightRequest.maxInfluences, 4u);
}

TEST(ArgumentsTest, MistakesAreRefusedWithAClearMessage) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"-o", "out.obj", "--select", "a"}, "no scene file given"},
      {{"a.obj", "b.obj", "-o", "out.obj", "--select", "a"}, "one scene file only, not 'b.obj'"},
      {{"a.obj", "--select", "a"}, "no output file given (-o OUT.obj)"},
      {{"a.obj", "-o", "out.obj"}, "no object selected (--select NAME)"},
      {{"a.obj", "-o", "x", "-o", "y", "--select", "a"}, "-o is given twice"},
      {{"a.obj", "-o", "", "--select", "a"}, "-o needs a file name"},
      {{"a.obj", "-o", "x", "--select"}, "--select needs a value"},
      {{"a.obj", "-o", "x", "--select", "a", "--mode", "nearest"},
       "--mode takes keynote, vertex-count or morph, not 'nearest'"},
      {{"a.obj", "-o", "x", "--select", "a", "--mode", "morph", "--mode", "keynote"},
       "--mode is given twice"},
      {{"a.obj", "-o", "x", "--select", "a", "--tick-all", "--tick-none"},
       "--tick-all and --tick-none exclude each other"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a"},
       "--select-vertices takes OBJECT=INDEXES, not 'a'"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a=1,,2"},
       "'1,,2' is not a list of vertex indexes"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a=5-2"}, "'5-2' is not"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a=-1"}, "'-1' is not"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a=99999999999"},
       "'99999999999' is not"},
      {{"a.obj", "-o", "x", "--select", "a", "--select-vertices", "a="}, "'' is not"},
      {{"a.obj", "-o", "x", "--select", "a", "--bind", "ab"}, "--bind takes BASE=TARGET"},
      {{"a.obj", "-o", "x", "--select", "a", "--verbose"}, "unknown option --verbose"},
      {{"a.obj", "-o", "x", "--select", "a", "--view", "back"},
       "--view takes front, side, top or three-quarter, not 'back'"},
      {{"a.obj", "-o", "x", "--select", "a", "--preview-size", "8x8"},
       "--preview-size takes WIDTHxHEIGHT in pixels, each from 16 to 4096, not '8x8'"},
      {{"a.obj", "-o", "x", "--select", "a", "--preview-size", "300"}, "--preview-size takes"},
      {{"a.obj", "-o", "x", "--select", "a", "--view", "top"},
       "--view shapes a preview: it needs --preview FILE.png"},
      {{"a.obj", "--list", "--select", "a", "--preview", "p.png"},
       "--list draws nothing: --preview needs a run"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "closest"},
       "--method takes nearest, surface or carry, not 'closest'"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "carry", "--max-distance", "0"},
       "--max-distance takes a distance above 0"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "carry", "--max-distance", "-2%"},
       "--max-distance takes a distance above 0"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "carry", "--max-distance", "%"},
       "--max-distance takes a distance above 0"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "surface", "--max-angle", "181"},
       "--max-angle takes an angle in degrees from 0 to 180"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "surface", "--keep-outside", "nan"},
       "--keep-outside takes a distance of 0 or more"},
      {{"a.obj", "-o", "x", "--select", "a", "--max-distance", "1"},
       "--max-distance belongs to the surface methods: it needs --method surface or carry"},
      {{"a.obj", "-o", "x", "--select", "a", "--method", "nearest", "--keep-outside", "1"},
       "--keep-outside belongs to the surface methods"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--keep-outside", "1"},
       "--keep-outside belongs to the surface methods"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--weights-method", "surface",
        "--max-angle", "30"},
       "--max-angle belongs to the surface methods: it needs --method surface or carry, or "
       "--weights with the robust method"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights-method", "robust"},
       "--weights-method shapes the skin weights: it needs --weights"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--weights-method", "carry"},
       "--weights-method takes nearest, surface or robust, not 'carry'"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--max-influences", "0"},
       "--max-influences takes a whole number from 1 to 32, not '0'"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--smooth-weights", "101"},
       "--smooth-weights takes a whole number from 0 to 100"},
      {{"a.obj", "-o", "x", "--select", "a", "--weights", "--weights-method", "nearest",
        "--smooth-weights", "1"},
       "--smooth-weights belongs to the robust method"},
  };
  for (const auto& scenario : cases) {
    const std::string error = ErrorOf(scenario.arguments);
    EXPECT_EQ(error.rfind(scenario.message, 0), 0u) << error;
  }
}

// The help and the parser know the same options: the parser refuses what the help does not list,
// and takes everything it lists.
TEST(ArgumentsTest, EveryListedOptionIsTaken) {
  for (const auto& option : palisor_cli::ListedOptions()) {
    std::istringstream names(option.names);
    std::string name;
    while (std::getline(names, name, ',')) {
      if (name[0] == ' ') name.erase(0, 1);
      std::vector<std::string> arguments = {"a.obj", "-o", "x", "--select", "a", name};
      if (option.value[0] != '\0') arguments.push_back("x");
      const std::string error = ErrorOf(arguments);
      EXPECT_EQ(error.find("unknown option"), std::string::npos) << error;
      EXPECT_EQ(error.find("not handled"), std::string::npos) << error;
    }
  }
}

// Every option gets a line or two (after its own line when its name is long), within 79 columns.
TEST(ArgumentsTest, HelpDescribesEveryOptionInALineOrTwo) {
  std::ostringstream out;
  palisor_cli::WriteHelp(out);
  std::istringstream help(out.str());
  std::vector<std::string> entries;
  std::vector<int> textLines;
  for (std::string line; std::getline(help, line);) {
    EXPECT_LE(line.size(), 79u) << line;
    if (line.rfind("  -", 0) == 0 || line.rfind("      --", 0) == 0) {
      entries.push_back(line);
      textLines.push_back(line.size() > 26 && line[25] == ' ' && line[26] != ' ' ? 1 : 0);
    } else if (!entries.empty() && line.rfind(std::string(26, ' '), 0) == 0) {
      ++textLines.back();
    }
  }
  ASSERT_EQ(entries.size(), palisor_cli::ListedOptions().size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_NE(entries[i].find(palisor_cli::ListedOptions()[i].names), std::string::npos);
    EXPECT_GE(textLines[i], 1) << entries[i];
    EXPECT_LE(textLines[i], 2) << entries[i];
  }
}

}  // namespace
