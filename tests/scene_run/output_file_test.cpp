// The result file: written whole or not at all, never over the input.
#include "scene_run/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scene_run/input_error.h"

namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::path(PALISOR_TEST_BINARY_DIR) /
             ("output_file_" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  fs::path folder;
};

TEST_F(OutputFileTest, WritesANewFileAndReplacesAnOldOneWhole) {
  const fs::path target = folder / "out.obj";
  palisor_run::WriteFileAtomically(target.string(), "first\n");
  EXPECT_EQ(Contents(target), "first\n");
  palisor_run::WriteFileAtomically(target.string(), "second\n");
  EXPECT_EQ(Contents(target), "second\n");
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(OutputFileTest, AFailedWriteLeavesNothingBehind) {
  const fs::path target = folder / "missing folder" / "out.obj";
  EXPECT_THROW(palisor_run::WriteFileAtomically(target.string(), "text"), palisor_run::InputError);
  EXPECT_EQ(FileCount(), 0u);
  // A folder in the target's place: the temporary file is made, the rename fails and it goes.
  fs::create_directory(folder / "taken.obj");
  fs::create_directory(folder / "taken.obj" / "inside");
  EXPECT_THROW(palisor_run::WriteFileAtomically((folder / "taken.obj").string(), "text"),
               palisor_run::InputError);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(OutputFileTest, RecognisesTheSameFileUnderAnotherName) {
  const fs::path input = folder / "scene.obj";
  std::ofstream(input) << "o a\n";
  fs::create_symlink(input, folder / "link.obj");
  fs::create_hard_link(input, folder / "hard.obj");
  EXPECT_TRUE(palisor_run::NamesSameFile(input.string(), (folder / "." / "scene.obj").string()));
  EXPECT_TRUE(palisor_run::NamesSameFile(input.string(), (folder / "link.obj").string()));
  EXPECT_TRUE(palisor_run::NamesSameFile(input.string(), (folder / "hard.obj").string()));
  EXPECT_FALSE(palisor_run::NamesSameFile(input.string(), (folder / "new.obj").string()));
  std::ofstream(folder / "other.obj") << "o a\n";
  EXPECT_FALSE(palisor_run::NamesSameFile(input.string(), (folder / "other.obj").string()));
}

}  // namespace
