// Runs the built palisor-cli as a user runs it, in a folder of its own, and reads back what it
// printed and wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// A fresh, empty folder for one test, removed with it.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  std::filesystem::path Path(const std::string& name) const { return root_ / name; }
  // Writes `contents` to the file `name` in the folder; returns its path as text.
  std::string Write(const std::string& name, const std::string& contents) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
  // The names of the files in the folder, sorted.
  std::vector<std::string> Files() const;

 private:
  std::filesystem::path root_;
};

// Runs palisor-cli with `arguments` (the program name not included); with a data limit, the
// program's data memory is limited to that many kilobytes.
CliResult RunCli(const std::vector<std::string>& arguments, long dataLimitKilobytes = 0);
