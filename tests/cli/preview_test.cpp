// The contact sheet of --preview, decoded with libpng and looked at as a person would: its size,
// one picture per object where the shared camera puts it, motion coloured and stillness grey, and
// no picture at all when the run does not finish.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_process.h"
#include "test_scenes.h"

#ifdef PALISOR_CLI_PREVIEW
#include <png.h>

#include <algorithm>

#include "preview/colour_map.h"
#include "preview/contact_sheet.h"

namespace {

using palisor_preview::kPictureBackground;
using palisor_preview::PictureRect;
using palisor_preview::Rgb;

struct DecodedPng {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int32_t x, int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

DecodedPng Decode(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  DecodedPng decoded;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    ADD_FAILURE() << path << ": " << image.message;
    return decoded;
  }
  image.format = PNG_FORMAT_RGB;
  decoded.width = static_cast<int32_t>(image.width);
  decoded.height = static_cast<int32_t>(image.height);
  decoded.pixels.resize(PNG_IMAGE_SIZE(image) / 3);
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr))
      << image.message;
  return decoded;
}

// What a picture of the sheet shows: where its drawn pixels lie, and which of them are coloured
// (motion) and which grey (no motion).
struct PictureSurvey {
  int64_t drawn = 0;
  int32_t left = 1 << 30;
  int32_t right = -1;
  int64_t coloured = 0;
  int64_t grey = 0;
  double colouredX = 0;  // mean x of the coloured pixels
  double greyX = 0;
};

PictureSurvey Survey(const DecodedPng& png, const PictureRect& rect) {
  PictureSurvey survey;
  for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
    for (int32_t x = rect.x; x < rect.x + rect.width; ++x) {
      const Rgb pixel = png.At(x, y);
      if (pixel == kPictureBackground) continue;
      ++survey.drawn;
      survey.left = std::min(survey.left, x - rect.x);
      survey.right = std::max(survey.right, x - rect.x);
      const int spread =
          std::max({pixel.r, pixel.g, pixel.b}) - std::min({pixel.r, pixel.g, pixel.b});
      if (spread == 0) {
        ++survey.grey;
        survey.greyX += x - rect.x;
      } else if (spread > 24) {
        ++survey.coloured;
        survey.colouredX += x - rect.x;
      }
    }
  }
  if (survey.grey > 0) survey.greyX /= static_cast<double>(survey.grey);
  if (survey.coloured > 0) survey.colouredX /= static_cast<double>(survey.coloured);
  return survey;
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Seen from the front: face spans x 0..5, body x 8..12.88; the smile lifts face's right half
    // (x >= 3) towards the viewer, and only body's left columns are selected to move.
    face = Grid("face", 6, 5, {0, 0, 0}, 1.0f, 1);
    smile = face;
    smile.name = "elem:smile-face";
    smile.faces.clear();  // a target may carry no faces: it is drawn with the Source's
    for (MQPoint& vertex : smile.vertices) {
      if (vertex.x >= 3) vertex.z += 0.4f;
    }
    body = Grid("体", 9, 7, {8, 0, 0}, 0.61f, 9);
    // A second Destination below face, none of whose vertices is selected to move.
    arm = Grid("arm", 4, 3, {0, -4, 0}, 0.9f, 11);
    scene = folder.Write("scene.obj", ObjText({face, smile, body, arm}));
  }

  std::vector<std::string> Run(std::vector<std::string> extra) {
    std::vector<std::string> arguments = {scene,
                                          "-o",
                                          folder.Path("out.obj").string(),
                                          "--select",
                                          "face",
                                          "--select",
                                          "体",
                                          "--select",
                                          "arm",
                                          "--preview",
                                          folder.Path("sheet.png").string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

  TestFolder folder;
  TestMesh face, smile, body, arm;
  std::string scene;
};

TEST_F(PreviewTest, TheSheetShowsEachObjectWhereTheSharedCameraPutsItColouredByItsMotion) {
  const CliResult run =
      RunCli(Run({"--view", "front", "--preview-size", "200x150", "--selected-vertices-only",
                  "--select-vertices", "体=0-3,9-12,18-21,27-30,36-39,45-48,54-57"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Preview         " + folder.Path("sheet.png").string() + " (6 pictures"),
            std::string::npos)
      << run.out;
  const DecodedPng png = Decode(folder.Path("sheet.png").string());

  // Three rows (Source and target; each Destination and its morph object) of two 200x150
  // pictures.
  palisor_preview::SheetSettings settings;
  settings.pictureWidth = 200;
  settings.pictureHeight = 150;
  const palisor_preview::SheetGeometry geometry = palisor_preview::LayOutSheet(3, 2, settings);
  ASSERT_EQ(png.width, geometry.width);
  ASSERT_EQ(png.height, geometry.height);
  EXPECT_GE(png.width, 2 * 200);
  EXPECT_GE(png.height, 3 * 150);

  const struct {
    std::size_t row, column;
    const char* what;
    bool onTheLeft;       // face lies left of body in the scene
    bool moved;           // some vertices moved
    bool movedOnTheLeft;  // the moved part lies left of the still part
  } pictures[] = {
      {0, 0, "face", true, false, false}, {0, 1, "elem:smile-face", true, true, false},
      {1, 0, "体", false, false, false},  {1, 1, "elem:smile-体", false, true, true},
      {2, 0, "arm", true, false, false},  {2, 1, "elem:smile-arm", true, false, false},
  };
  std::vector<PictureSurvey> surveys;
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.what);
    const PictureSurvey survey = Survey(png, geometry.Picture(picture.row, picture.column));
    surveys.push_back(survey);
    EXPECT_GT(survey.drawn, 500);
    EXPECT_EQ(survey.left < 100, picture.onTheLeft) << survey.left;
    EXPECT_EQ(survey.right < 100, picture.onTheLeft) << survey.right;
    EXPECT_GT(survey.grey, 100);
    if (picture.moved) {
      EXPECT_GT(survey.coloured, 100);
      EXPECT_EQ(survey.colouredX < survey.greyX, picture.movedOnTheLeft);
    } else {
      EXPECT_EQ(survey.coloured, 0);
    }
    // The name beneath the picture is written.
    const PictureRect rect = geometry.Picture(picture.row, picture.column);
    int dark = 0;
    for (int32_t y = rect.y + rect.height; y < rect.y + rect.height + geometry.labelHeight; ++y) {
      for (int32_t x = rect.x; x < rect.x + rect.width; ++x) dark += png.At(x, y).r < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 10);
  }
  // One camera frames everything, centred, so sizes and places compare: face is 5 units wide and
  // body starts 8 units right of face's left edge; face's left margin is body's right margin.
  const double unit = (surveys[0].right - surveys[0].left) / 5.0;
  EXPECT_NEAR(surveys[2].left - surveys[0].left, 8 * unit, 2.0);
  EXPECT_NEAR(surveys[2].right - surveys[2].left, 8 * 0.61 * unit, 2.0);
  EXPECT_NEAR(surveys[0].left, 199 - surveys[2].right, 2.0);
}

// With a surface method, vertices that took no motion of their own are drawn in the filled colour
// (shaded, so only its hue is known: no green), which the legend then explains.
TEST_F(PreviewTest, VerticesASurfaceMethodCouldNotMatchAreDrawnInTheFilledColour) {
  // Both Destinations lie farther than the limit from the face: each moves rigidly as a whole.
  const CliResult run = RunCli(
      Run({"--view", "front", "--method", "surface", "--max-distance", "0.5", "--tick-all"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Moved rigidly   75 vertices\n"), std::string::npos) << run.out;
  const DecodedPng png = Decode(folder.Path("sheet.png").string());
  const palisor_preview::SheetGeometry geometry =
      palisor_preview::LayOutSheet(3, 2, palisor_preview::SheetSettings{});
  const auto filledPixels = [&png](const PictureRect& rect) {
    int64_t count = 0;
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
      for (int32_t x = rect.x; x < rect.x + rect.width; ++x) {
        const Rgb pixel = png.At(x, y);
        count += pixel.g == 0 && pixel.r > pixel.b && pixel.b > 0 ? 1 : 0;
      }
    }
    return count;
  };
  EXPECT_GT(filledPixels(geometry.Picture(1, 1)), 500);
  EXPECT_GT(filledPixels(geometry.Picture(2, 1)), 500);
  EXPECT_EQ(filledPixels(geometry.Picture(1, 0)), 0);
  EXPECT_EQ(filledPixels(geometry.Picture(0, 1)), 0);
  int64_t swatch = 0;
  for (const Rgb& pixel : png.pixels) swatch += pixel == palisor_preview::kFilledColour ? 1 : 0;
  EXPECT_GT(swatch, 20);
}

TEST_F(PreviewTest, NoPictureUnlessTheRunFinishesAndAnUnwritablePictureLeavesTheSceneAlone) {
  const std::string missingFolder = folder.Path("no such folder/sheet.png").string();
  const struct {
    std::vector<std::string> arguments;
    int status;
    const char* error;
  } cases[] = {
      {Run({"--cancel"}), 0, ""},
      {{scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--preview",
        folder.Path("sheet.png").string()},
       1,
       "SourceオブジェクトとDestinationオブジェクトを選択してください。\n"},
      {{scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "体",
        "--preview", missingFolder},
       2,
       "palisor-cli: cannot write "},
      {{scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "体",
        "--preview", scene},
       2,
       "palisor-cli: the preview file "},
      {{scene, "-o", folder.Path("new.obj").string(), "--select", "face", "--select", "体",
        "--preview", folder.Path("./new.obj").string()},
       2,
       "palisor-cli: the preview file "},
      {Run({"--preview-size", "4096x4096"}), 2, "palisor-cli: the preview would be "},
  };
  for (const auto& scenario : cases) {
    folder.Write("out.obj", "the earlier output\n");
    const CliResult run = RunCli(scenario.arguments);
    EXPECT_EQ(run.status, scenario.status) << run.err;
    EXPECT_EQ(run.err.rfind(scenario.error, 0), 0u) << run.err;
    // Nothing but the scene and the output: no picture, no temporary file left over.
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"out.obj", "scene.obj"}));
    if (scenario.status != 0) {
      EXPECT_EQ(folder.Read("out.obj"), "the earlier output\n");
    }
  }
}

}  // namespace

#else

TEST(PreviewTest, ABuildWithoutTheDrawingLibrariesRefusesAPreview) {
  TestFolder folder;
  const std::string scene = folder.Write(
      "scene.obj", ObjText({Grid("a", 2, 2, {0, 0, 0}, 1, 1), Grid("b", 2, 2, {0, 0, 0}, 1, 2)}));
  const CliResult run = RunCli({scene, "-o", folder.Path("out.obj").string(), "--select", "a",
                                "--select", "b", "--preview", folder.Path("p.png").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot draw pictures"), std::string::npos) << run.err;
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"scene.obj"}));
}

#endif
