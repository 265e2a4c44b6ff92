// Every mistake in what the user gives palisor-cli: one clear message, exit status 2, and nothing
// written (an existing output file keeps its contents).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_process.h"
#include "palisor_version.h"

namespace {

const char* const kScene =
    "o face\n"
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "f 1 2 3\n"
    "o elem:smile-face\n"
    "v 0 0 1\nv 1 0 1\nv 0 1 1\n"
    "o body\n"
    "v 0 0 0\nv 2 0 0\nv 0 2 0\n"
    "f 7 8 9\n";

struct BadInput {
  std::string description;
  std::string scene;  // written as scene.obj unless empty
  std::vector<std::string> arguments;
  std::string message;           // the whole of standard error starts with it
  std::string folderNamed = "";  // a folder made where a file is expected
};

class CliBadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(CliBadInputTest, GetsOneClearMessageAndWritesNothing) {
  const BadInput& bad = GetParam();
  TestFolder folder;
  if (!bad.scene.empty()) folder.Write("scene.obj", bad.scene);
  if (!bad.folderNamed.empty()) std::filesystem::create_directory(folder.Path(bad.folderNamed));
  folder.Write("out.obj", "the old result\n");
  std::vector<std::string> arguments;
  for (const std::string& argument : bad.arguments) {
    // Paths are given relative to the test's folder.
    const bool isFile = argument.size() > 4 && argument.substr(argument.size() - 4) == ".obj";
    arguments.push_back(isFile ? folder.Path(argument).string() : argument);
  }
  const std::vector<std::string> filesBefore = folder.Files();

  const CliResult run = RunCli(arguments);
  EXPECT_EQ(run.status, 2) << run.err;
  const std::string message = "palisor-cli: " + bad.message;
  EXPECT_EQ(run.err.substr(0, message.size()), message) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(folder.Files(), filesBefore);
  EXPECT_EQ(folder.Read("out.obj"), "the old result\n");
}

std::vector<std::string> Run(std::vector<std::string> extra) {
  std::vector<std::string> arguments = {"scene.obj", "-o", "out.obj"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

const std::vector<std::string> kSelectBoth = {"--select", "face", "--select", "body"};

std::vector<std::string> Selecting(std::vector<std::string> extra) {
  std::vector<std::string> arguments = kSelectBoth;
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return Run(arguments);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCase, CliBadInputTest,
    ::testing::Values(
        BadInput{"MissingFile", "", Run(kSelectBoth), "cannot read "},
        BadInput{"UnreadableFile",
                 kScene,
                 {"folder.obj", "-o", "out.obj", "--select", "face"},
                 "cannot read ",
                 "folder.obj"},
        BadInput{"WeightsIntoObj", kScene, Selecting({"--weights"}),
                 "--weights gives the Destinations a skin, which an OBJ file cannot hold"},
        BadInput{"MalformedLine", std::string(kScene) + "v 1 2 x\n", Run(kSelectBoth),
                 ""},  // the file name is a full path; the line number is checked below
        BadInput{"FaceIndexOutOfRange", std::string(kScene) + "f 7 8 10\n", Run(kSelectBoth), ""},
        BadInput{"FaceIndexIntoAnotherObject", std::string(kScene) + "f 1 8 9\n", Run(kSelectBoth),
                 ""},
        BadInput{"VertexBeforeAnyObject", std::string("v 0 0 0\n") + kScene, Run(kSelectBoth), ""},
        BadInput{"EmptyScene", "# nothing here\n", Run(kSelectBoth), ""},
        BadInput{"UnknownSelectedObject", kScene, Selecting({"--select", "arm"}),
                 "--select: the scene has no object named 'arm'"},
        BadInput{"UnknownVertexObject", kScene, Selecting({"--select-vertices", "arm=0"}),
                 "--select-vertices: the scene has no object named 'arm'"},
        BadInput{"VertexBeyondTheObject", kScene, Selecting({"--select-vertices", "body=1,3"}),
                 "--select-vertices: 'body' has 3 vertices, so vertex 3 does not exist"},
        BadInput{"UnknownBindingObject", kScene, Selecting({"--bind", "face=elem:blink-face"}),
                 "--bind: the scene has no object named 'elem:blink-face'"},
        BadInput{"BindingToItself", kScene, Selecting({"--bind", "face=face"}),
                 "--bind 'face=face': an object cannot be bound to itself"},
        BadInput{"UnknownCandidate", kScene, Selecting({"--tick", "elem:blink-face"}),
                 "--tick: 'elem:blink-face' is not a candidate of the keynote listing (it lists "
                 "'elem:smile-face')"},
        BadInput{"UnknownCandidateInAnotherMode", kScene,
                 Selecting({"--mode", "morph", "--untick", "elem:smile-face"}),
                 "--untick: 'elem:smile-face' is not a candidate of the morph listing (it lists "
                 "none)"},
        BadInput{"DestinationIsNoCandidate", kScene, Selecting({"--list", "--tick", "body"}),
                 "--tick: 'body' is not a candidate"},
        BadInput{"OutputIsTheInput",
                 kScene,
                 {"scene.obj", "-o", "scene.obj", "--select", "face", "--select", "body"},
                 "the output file "},
        BadInput{
            "NoSceneGiven", kScene, {"-o", "out.obj", "--select", "face"}, "no scene file given"},
        BadInput{"NoOutputGiven",
                 kScene,
                 {"scene.obj", "--select", "face"},
                 "no output file given (-o OUT.obj)"},
        BadInput{"UnknownOption", kScene, Selecting({"--all"}), "unknown option --all"},
        BadInput{"BadMode", kScene, Selecting({"--mode", "Keynote"}),
                 "--mode takes keynote, vertex-count or morph, not 'Keynote'"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.description; });

// Scene mistakes name the file and the line.
TEST(CliSceneErrorTest, MessagesNameTheFileAndTheLine) {
  const struct {
    std::string scene;
    std::string message;
  } cases[] = {
      {std::string(kScene) + "v 1 2 x\n", ":15: 'x' in a 'v' line is not a number\n"},
      {std::string(kScene) + "f 7 8 10\n",
       ":15: vertex index 10 is out of range: 9 vertices are defined so far\n"},
      {std::string(kScene) + "f 1 8 9\n",
       ":15: vertex index 1 refers to a vertex of another object ('body' has vertices 7 to 9)\n"},
      {std::string("v 0 0 0\n") + kScene, ":1: 'v' line before any 'o' line\n"},
      {"# nothing here\n", ": the scene holds no object (no 'o' line)\n"},
  };
  for (const auto& scenario : cases) {
    TestFolder folder;
    const std::string scene = folder.Write("scene.obj", scenario.scene);
    const CliResult run = RunCli(
        {scene, "-o", folder.Path("out.obj").string(), "--select", "face", "--select", "body"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "palisor-cli: " + scene + scenario.message);
    EXPECT_FALSE(folder.Exists("out.obj"));
  }
}

TEST(CliOutputTest, TheInputIsNeverOverwrittenThroughALink) {
  TestFolder folder;
  const std::string scene = folder.Write("scene.obj", kScene);
  std::filesystem::create_symlink(scene, folder.Path("link.obj"));
  const CliResult run = RunCli({scene, "-o", folder.Path("link.obj").string(), "--select", "face",
                                "--select", "body", "--cancel"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("is the input file"), std::string::npos) << run.err;
  EXPECT_EQ(folder.Read("scene.obj"), kScene);
}

TEST(CliOutputTest, AnUnwritableOutputIsAnErrorThatLeavesNothingBehind) {
  TestFolder folder;
  const std::string scene = folder.Write("scene.obj", kScene);
  const CliResult run = RunCli({scene, "-o", folder.Path("no such folder/out.obj").string(),
                                "--select", "face", "--select", "body"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot write "), std::string::npos) << run.err;
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"scene.obj"}));
}

TEST(CliUsageTest, HelpAndVersionGoToStandardOutput) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: palisor-cli SCENE -o OUT --select NAME", 0), 0u);
  EXPECT_NE(help.out.find("\n      --select-vertices OBJECT=INDEXES\n"), std::string::npos);
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.substr(0, version.out.find('\n')),
            "palisor-cli (Palisor) " PALISOR_VERSION);
  const CliResult wrong = RunCli({"--help-me"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("\nTry 'palisor-cli --help' for more information.\n"),
            std::string::npos);
}

// A scene too large for the memory the program may use: under the same limit a small scene is
// carried over, while a 3-million-vertex one ends with a clear error and leaves everything as it
// was. (The sanitizers reserve more memory than the limit allows, so they skip this.)
TEST(CliMemoryTest, ASceneThatDoesNotFitEndsWithAnErrorAndWritesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more memory than the limit";
#endif
  constexpr long kLimitKilobytes = 48 * 1024;
  TestFolder folder;
  folder.Write("small.obj", kScene);
  std::string large = "o face\n";
  for (int k = 0; k < 3000000; ++k) large += "v 0 0 0\n";
  large += "o body\nv 0 0 0\n";
  folder.Write("large.obj", large);
  folder.Write("out.obj", "the old result\n");
  const std::vector<std::string> files = folder.Files();

  const CliResult small =
      RunCli({folder.Path("small.obj").string(), "-o", folder.Path("small-out.obj").string(),
              "--select", "face", "--select", "body"},
             kLimitKilobytes);
  EXPECT_EQ(small.status, 0) << small.err;
  std::filesystem::remove(folder.Path("small-out.obj"));

  const CliResult run =
      RunCli({folder.Path("large.obj").string(), "-o", folder.Path("out.obj").string(), "--select",
              "face", "--select", "body"},
             kLimitKilobytes);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("palisor-cli: out of memory", 0), 0u) << run.err;
  EXPECT_EQ(folder.Files(), files);
  EXPECT_EQ(folder.Read("out.obj"), "the old result\n");
}

}  // namespace
