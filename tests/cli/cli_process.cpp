#include "cli_process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TestFolder::TestFolder() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = fs::path(PALISOR_TEST_BINARY_DIR) / "cli_runs" /
          (std::string(test->test_suite_name()) + "." + test->name());
  fs::remove_all(root_);
  fs::create_directories(root_);
}

TestFolder::~TestFolder() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string TestFolder::Write(const std::string& name, const std::string& contents) const {
  std::ofstream(Path(name), std::ios::binary) << contents;
  return Path(name).string();
}

std::string TestFolder::Read(const std::string& name) const {
  return ReadFile(Path(name));
}

std::vector<std::string> TestFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(root_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

CliResult RunCli(const std::vector<std::string>& arguments, long dataLimitKilobytes) {
  static int serial = 0;
  const fs::path capture = fs::path(PALISOR_TEST_BINARY_DIR) / "cli_runs" /
                           ("capture-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  fs::create_directories(capture.parent_path());
  std::string command = Quoted(PALISOR_CLI_PATH);
  if (dataLimitKilobytes > 0) {
    command = "ulimit -d " + std::to_string(dataLimitKilobytes) + " && exec " + command;
  }
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  command += " > " + Quoted(capture.string() + ".out") + " 2> " + Quoted(capture.string() + ".err");
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(capture.string() + ".out");
  result.err = ReadFile(capture.string() + ".err");
  fs::remove(capture.string() + ".out");
  fs::remove(capture.string() + ".err");
  return result;
}
