// palisor-cli over many files: each result byte for byte what a run on that file alone writes, a
// failing file leaving the others, shards that split the files once, and every report checked
// against the report's JSON Schema by the jsonschema package.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_files.h"
#include "batch/batch_runner.h"
#include "batch/batch_selection.h"
#include "cli/program.h"
#include "cli_process.h"
#include "test_scenes.h"

namespace {

namespace fs = std::filesystem;

std::string SourceScene() {
  const TestMesh body = Grid("body", 12, 12, {-1.0f, -1.0f, 0.0f}, 0.18f, 1);
  return ObjText({body, Displaced("elem:smile-body", body, 0.1f, 2),
                  Displaced("elem:blink-body", body, 0.05f, 3)});
}

std::string Outfit(int k) {
  return ObjText({Grid("shirt", 7, 5, {-0.8f + 0.05f * float(k), -0.6f, 0.2f}, 0.2f, 10u + k),
                  Grid("shirt_b", 5, 5, {-0.3f, 0.1f * float(k), 0.3f}, 0.15f, 20u + k)});
}

// A Source scene and `count` outfit files o0.obj... in the folder "outfits".
void WriteScenes(const TestFolder& folder, int count) {
  folder.Write("source.obj", SourceScene());
  fs::create_directory(folder.Path("outfits"));
  for (int k = 0; k < count; ++k) {
    folder.Write("outfits/o" + std::to_string(k) + ".obj", Outfit(k));
  }
}

// The validator is the system's Python with Debian's python3-jsonschema; the Windows builds' tests
// run without them.
void ExpectValidReport(const fs::path& report) {
#ifdef _WIN32
  (void)report;
#else
  const std::string command =
      "python3 '" PALISOR_REPORT_CHECKER "' '" PALISOR_REPORT_SCHEMA "' '" + report.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << report;
#endif
}

nlohmann::json ReadJson(const fs::path& path) {
  std::ifstream in(path);
  return nlohmann::json::parse(in);
}

class BatchJobsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BatchJobsTest, EachResultIsByteForByteASingleRunOnTheFile) {
  TestFolder folder;
  WriteScenes(folder, 4);
  const std::string source = folder.Path("source.obj").string();
  const CliResult batch = RunCli({"--source-scene", source, "--select", "body", "--each",
                                  folder.Path("outfits/o*.obj").string(), "--all-meshes",
                                  "--out-dir", folder.Path("out").string(), "--jobs", GetParam(),
                                  "--report", folder.Path("report.json").string()});
  ASSERT_EQ(batch.status, 0) << batch.err;
  for (int k = 0; k < 4; ++k) {
    const std::string name = "o" + std::to_string(k) + ".obj";
    const CliResult single = RunCli(
        {folder.Path("outfits/" + name).string(), "-o", folder.Path(name).string(),
         "--source-scene", source, "--select", "body", "--select", "shirt", "--select", "shirt_b"});
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(folder.Read("out/" + name), folder.Read(name)) << name;
  }
  const nlohmann::json report = ReadJson(folder.Path("report.json"));
  EXPECT_EQ(report["totals"]["ok"], 4);
  for (const auto& file : report["files"]) {
    ASSERT_EQ(file["destinations"].size(), 2u);
    int64_t moved = 0;
    for (const auto& destination : file["destinations"]) {
      EXPECT_EQ(destination["targets"].size(), 2u);
      for (const auto& target : destination["targets"])
        moved += target["verticesMoved"].get<int64_t>();
    }
    EXPECT_EQ(file["verticesMoved"].get<int64_t>(), moved);
  }
  ExpectValidReport(folder.Path("report.json"));
}

INSTANTIATE_TEST_SUITE_P(InOneProcessAndInWorkers, BatchJobsTest, ::testing::Values("1", "3"));

// glTF files get their new morph targets in worker processes as a run on each file alone does.
TEST(BatchTest, GltfResultsAreByteForByteSingleRuns) {
  TestFolder folder;
  fs::create_directory(folder.Path("in"));
  for (const char* name : {"a.gltf", "b.gltf"}) {
    fs::copy_file(PALISOR_EXAMPLE_GLTF, folder.Path(std::string("in/") + name));
  }
  const std::vector<std::string> select = {"--select", "head",     "--select",
                                           "brows",    "--select", "beard"};
  std::vector<std::string> batch = {"--each",    folder.Path("in/*.gltf").string(),
                                    "--out-dir", folder.Path("out").string(),
                                    "--jobs",    "2"};
  batch.insert(batch.end(), select.begin(), select.end());
  ASSERT_EQ(RunCli(batch).status, 0);
  for (const char* name : {"a.gltf", "b.gltf"}) {
    std::vector<std::string> single = {folder.Path(std::string("in/") + name).string(), "-o",
                                       folder.Path(name).string()};
    single.insert(single.end(), select.begin(), select.end());
    ASSERT_EQ(RunCli(single).status, 0);
    EXPECT_EQ(folder.Read(std::string("out/") + name), folder.Read(name)) << name;
  }
}

TEST(BatchTest, AFailingFileLeavesTheOthersAndEndsWithStatus3) {
  TestFolder folder;
  WriteScenes(folder, 2);
  folder.Write("outfits/bad.obj", "garbage\n");
  const CliResult batch =
      RunCli({"--source-scene", folder.Path("source.obj").string(), "--select", "body", "--each",
              folder.Path("outfits/*.obj").string(), "--all-meshes", "--out-dir",
              folder.Path("out").string(), "--report", folder.Path("report.json").string()});
  EXPECT_EQ(batch.status, 3) << batch.err;
  EXPECT_NE(batch.err.find("bad.obj:1: unknown statement"), std::string::npos) << batch.err;
  // Without a terminal: a plain line per file and the totals, no progress line.
  EXPECT_NE(batch.out.find("failed   " + folder.Path("outfits/bad.obj").string() + "\n"),
            std::string::npos)
      << batch.out;
  EXPECT_NE(batch.out.find("Files           2 done, 1 failed"), std::string::npos) << batch.out;
  EXPECT_EQ(batch.err.find('\r'), std::string::npos);
  EXPECT_TRUE(folder.Exists("out/o0.obj"));
  EXPECT_TRUE(folder.Exists("out/o1.obj"));
  EXPECT_FALSE(folder.Exists("out/bad.obj"));
  const nlohmann::json report = ReadJson(folder.Path("report.json"));
  EXPECT_EQ(report["totals"]["failed"], 1);
  EXPECT_EQ(report["files"][0]["status"], "failed");
  EXPECT_NE(report["files"][0]["messages"].get<std::string>().find("unknown statement"),
            std::string::npos);
  ExpectValidReport(folder.Path("report.json"));
}

// Shards given their files in different orders split them once between them, and the merged
// report holds every file.
TEST(BatchTest, ShardsSplitTheFilesOnceAndTheirReportsMerge) {
  TestFolder folder;
  WriteScenes(folder, 5);
  std::vector<std::string> files;
  for (int k = 0; k < 5; ++k)
    files.push_back(folder.Path("outfits/o" + std::to_string(k) + ".obj").string());
  std::vector<std::string> shardOne = {"--source-scene",
                                       folder.Path("source.obj").string(),
                                       "--select",
                                       "body",
                                       "--all-meshes",
                                       "--out-dir",
                                       folder.Path("one").string(),
                                       "--shard",
                                       "1/2",
                                       "--report",
                                       folder.Path("one.json").string()};
  shardOne.insert(shardOne.end(), files.rbegin(), files.rend());
  std::vector<std::string> shardTwo = {"--shard",        "2/2",
                                       "--out-dir",      folder.Path("two").string(),
                                       "--report",       folder.Path("two.json").string(),
                                       "--each",         folder.Path("outfits/o*.obj").string(),
                                       "--source-scene", folder.Path("source.obj").string(),
                                       "--select",       "body",
                                       "--all-meshes"};
  ASSERT_EQ(RunCli(shardOne).status, 0);
  ASSERT_EQ(RunCli(shardTwo).status, 0);
  std::vector<std::string> written;
  for (const char* shard : {"one", "two"}) {
    for (const auto& entry : fs::directory_iterator(folder.Path(shard))) {
      written.push_back(entry.path().filename().string());
    }
  }
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"o0.obj", "o1.obj", "o2.obj", "o3.obj", "o4.obj"}));
  const CliResult merge =
      RunCli({"--merge-reports", folder.Path("all.json").string(), folder.Path("one.json").string(),
              folder.Path("two.json").string()});
  ASSERT_EQ(merge.status, 0) << merge.err;
  EXPECT_EQ(ReadJson(folder.Path("all.json"))["totals"]["files"], 5);
  for (const char* report : {"one.json", "two.json", "all.json"})
    ExpectValidReport(folder.Path(report));
}

// A manifest line's selections and output name reach that file's run as they would a single run.
TEST(BatchTest, AManifestLineSelectsAndNamesLikeASingleRun) {
  TestFolder folder;
  WriteScenes(folder, 2);
  folder.Write("list.csv", "input,output,select\n" + folder.Path("outfits/o0.obj").string() +
                               ",first.obj,shirt\n" + folder.Path("outfits/o1.obj").string() +
                               ",,shirt_b;shirt\n");
  const CliResult batch = RunCli({"--manifest", folder.Path("list.csv").string(), "--source-scene",
                                  folder.Path("source.obj").string(), "--select", "body",
                                  "--out-dir", folder.Path("out").string()});
  ASSERT_EQ(batch.status, 0) << batch.err;
  ASSERT_EQ(RunCli({folder.Path("outfits/o0.obj").string(), "-o", folder.Path("a.obj").string(),
                    "--source-scene", folder.Path("source.obj").string(), "--select", "body",
                    "--select", "shirt"})
                .status,
            0);
  EXPECT_EQ(folder.Read("out/first.obj"), folder.Read("a.obj"));
  EXPECT_TRUE(folder.Exists("out/o1.obj"));
}

TEST(BatchTest, AFileWhoseNameLooksLikeAPatternIsTakenAsItIs) {
  TestFolder folder;
  WriteScenes(folder, 0);
  folder.Write("outfits/o[1].obj", Outfit(1));
  const CliResult run = RunCli({"--source-scene", folder.Path("source.obj").string(), "--select",
                                "body", "--all-meshes", folder.Path("outfits/o[1].obj").string(),
                                "--out-dir", folder.Path("out").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(folder.Exists("out/o[1].obj"));
}

#ifndef _WIN32
// On a terminal (made by util-linux's script) one progress line for the whole run is rewritten in
// place between the lines of the finished files.
TEST(BatchTest, ATerminalShowsOneProgressLineForTheWholeRun) {
  if (std::system("command -v script > /dev/null") != 0) GTEST_SKIP() << "no script command";
  TestFolder folder;
  WriteScenes(folder, 3);
  const std::string command = "cd '" + folder.Path("").string() + "' && script -qec \"'" +
                              PALISOR_CLI_PATH +
                              "' --source-scene source.obj --select body --all-meshes --each "
                              "'outfits/*.obj' --out-dir out --jobs 1\" /dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string shown;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) shown += static_cast<char>(c);
  EXPECT_EQ(pclose(pipe), 0) << shown;
  for (const char* part : {"] 1/3 files, ", "] 3/3 files, ", " vertices/s, ", " s left\r\033[K",
                           "\r\033[Kok       outfits/o2.obj -> out/o2.obj ("}) {
    EXPECT_NE(shown.find(part), std::string::npos) << part << " in " << shown;
  }
}
#endif

// Workers that end without a word (here a program that only fails) fail their files, and only
// those: the run goes on to its end, writes its report and says that files failed.
TEST(BatchTest, FilesOfAWorkerThatDiesFailWithTheReason) {
  TestFolder folder;
  WriteScenes(folder, 2);
  palisor_run::PluginLocation dying;
  dying.programPath = "/bin/false";
  std::ostringstream out;
  std::ostringstream err;
  const int status = palisor_cli::RunProgram(
      {"--source-scene", folder.Path("source.obj").string(), "--select", "body", "--all-meshes",
       "--each", folder.Path("outfits/*.obj").string(), "--out-dir", folder.Path("out").string(),
       "--jobs", "2", "--report", folder.Path("report.json").string()},
      dying, out, err);
  EXPECT_EQ(status, palisor_batch::kSomeFailed) << err.str();
  EXPECT_NE(err.str().find("o1.obj: the worker process running it ended (status 1)"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(folder.Exists("out/o0.obj"));
  EXPECT_EQ(ReadJson(folder.Path("report.json"))["totals"]["failed"], 2);
  ExpectValidReport(folder.Path("report.json"));
}

#ifndef _WIN32
// A worker killed while writing its file's output leaves the output's temporary file behind; the
// run removes it, and a later run over the same folder never takes it for a scene.
TEST(BatchTest, AWorkerKilledWhileWritingLeavesNothingStaged) {
  TestFolder folder;
  WriteScenes(folder, 2);
  fs::create_directory(folder.Path("out"));
  folder.Write("killed.sh", "#!/bin/sh\nfor f in o0 o1; do : > '" + folder.Path("out").string() +
                                "'/$f.obj.tmp-$$-0; done\nkill -9 $$\n");
  fs::permissions(folder.Path("killed.sh"), fs::perms::owner_all);
  palisor_run::PluginLocation killed;
  killed.programPath = folder.Path("killed.sh").string();
  const std::vector<std::string> arguments = {"--source-scene",
                                              folder.Path("source.obj").string(),
                                              "--select",
                                              "body",
                                              "--all-meshes",
                                              "--each",
                                              folder.Path("outfits/*").string(),
                                              "--out-dir",
                                              folder.Path("out").string(),
                                              "--jobs",
                                              "2"};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(palisor_cli::RunProgram(arguments, killed, out, err), palisor_batch::kSomeFailed);
  EXPECT_NE(err.str().find("o1.obj: the worker process running it ended ("), std::string::npos)
      << err.str();
  EXPECT_TRUE(fs::is_empty(folder.Path("out")));

  // Staged files left in the scenes' own folder are not scenes.
  folder.Write("outfits/o0.obj.tmp-12-0", "not a scene");
  const auto files = palisor_batch::ExpandFilePattern(folder.Path("outfits/*").string());
  EXPECT_EQ(files.size(), 2u);
}
#endif

struct BadBatch {
  std::string description;
  std::vector<std::string> arguments;  // "@NAME" stands for the test folder's file NAME
  std::string message;                 // standard error holds it
  bool selectSource = true;            // whether --select body picks the Source
};

void PrintTo(const BadBatch& bad, std::ostream* out) {
  *out << bad.description;
}

class BatchBadInputTest : public ::testing::TestWithParam<BadBatch> {};

TEST_P(BatchBadInputTest, IsAUsageErrorThatWritesNothing) {
  TestFolder folder;
  WriteScenes(folder, 2);
  fs::create_directory(folder.Path("again"));
  folder.Write("again/o0.obj", Outfit(0));
  folder.Write("blocker", "a file where a folder is asked for\n");
  folder.Write("list.csv", "input,output,select\n" + folder.Path("outfits/o0.obj").string() +
                               ",x.obj,shirt\nno commas here\n");
  std::vector<std::string> arguments = {"--source-scene", folder.Path("source.obj").string(),
                                        "--all-meshes"};
  if (GetParam().selectSource) arguments.insert(arguments.end(), {"--select", "body"});
  for (const std::string& argument : GetParam().arguments) {
    arguments.push_back(argument[0] == '@' ? folder.Path(argument.substr(1)).string() : argument);
  }
  const std::vector<std::string> before = folder.Files();
  const CliResult run = RunCli(arguments);
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
  EXPECT_EQ(folder.Files(), before);
  EXPECT_EQ(folder.Read("outfits/o0.obj"), Outfit(0));
}

INSTANTIATE_TEST_SUITE_P(
    Table, BatchBadInputTest,
    ::testing::Values(BadBatch{"TwoInputsOneOutput",
                               {"@outfits/o0.obj", "@again/o0.obj", "--out-dir", "@out"},
                               "would both be written to"},
                      BadBatch{"OutputNamesAnInput",
                               {"--each", "@outfits/*.obj", "--out-dir", "@outfits"},
                               "is an input file; inputs are never overwritten"},
                      BadBatch{"UnwritableFolder",
                               {"@outfits/o0.obj", "--out-dir", "@blocker/out"},
                               "cannot be made"},
                      BadBatch{"ReportNamesAnOutput",
                               {"@outfits/o0.obj", "--out-dir", "@out", "--report", "@out/o0.obj"},
                               "is an input or output file"},
                      BadBatch{"BadManifestLine",
                               {"--manifest", "@list.csv", "--out-dir", "@out"},
                               "list.csv:3: expected input,output,select"},
                      BadBatch{"PatternMatchingNothing",
                               {"--each", "@outfits/*.glb", "--out-dir", "@out"},
                               "no file matches"},
                      BadBatch{"ShardBeyondItsCount",
                               {"@outfits/o0.obj", "--out-dir", "@out", "--shard", "3/2"},
                               "--shard K/N needs K from 1 to N"},
                      BadBatch{"NothingSelected",
                               {"@outfits/o0.obj", "--out-dir", "@out", "--tick-all"},
                               "no object selected",
                               false},
                      BadBatch{"SingleFileOption",
                               {"@outfits/o0.obj", "--out-dir", "@out", "-o", "@x.obj"},
                               "-o is for one scene file"}),
    [](const ::testing::TestParamInfo<BadBatch>& info) { return info.param.description; });

TEST(BatchTest, AnUnreadableSourceIsAnInputErrorBeforeAnyFile) {
  TestFolder folder;
  WriteScenes(folder, 1);
  const std::vector<std::string> before = folder.Files();
  const CliResult run = RunCli({"--source-scene", folder.Path("missing.obj").string(), "--select",
                                "body", "--all-meshes", folder.Path("outfits/o0.obj").string(),
                                "--out-dir", folder.Path("out").string()});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_NE(run.err.find("missing.obj"), std::string::npos) << run.err;
  EXPECT_EQ(folder.Files(), before);
}

struct PatternCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(BatchTest, PatternsMatchAsTheShellsDo) {
  const PatternCase cases[] = {
      {"shirt*", "shirt", true},
      {"shirt*", "shirt_b", true},
      {"shirt*", "shir", false},
      {"*.glb", "a.glb", true},
      {"*.glb", "a.gltf", false},
      {"o?.obj", "o1.obj", true},
      {"o?.obj", "o10.obj", false},
      {"[ab]*", "body", true},
      {"[ab]*", "cape", false},
      {"[!ab]*", "cape", true},
      {"o[0-3]", "o2", true},
      {"o[0-3]", "o7", false},
      {"*a*b*", "xaxxbx", true},
      {"*a*b*", "xbxa", false},
      {"[", "[", true},
      {"", "", true},
      {"*", "", true},
      {"a", "", false},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(palisor_batch::MatchesPattern(c.pattern, c.name), c.matches)
        << c.pattern << " " << c.name;
  }
}

}  // namespace
