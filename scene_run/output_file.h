// Writing the result file safely: never over the input, never half-written.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace palisor_run {

// Whether two paths name the same existing file (through links, relative parts and all).
bool NamesSameFile(const std::string& first, const std::string& second);

// Has `write` fill a fresh temporary file beside `path`, flushes it to disk and renames it into
// place, so that `path` either keeps its old contents or has all the new ones. `write` returns 0
// or the errno of a failed write. Throws InputError on failure, and passes on whatever `write`
// throws, after removing the temporary file.
void WriteFileAtomically(const std::string& path, const std::function<int(std::FILE*)>& write);
void WriteFileAtomically(const std::string& path, const std::string& contents);

// Whether a file name is that of a temporary file standing in for another until it is written
// whole (NAME.tmp-PROCESS-SERIAL).
bool IsStagedFileName(const std::string& name);

// Removes the temporary files that writers of `path` left behind (a process killed while writing
// it); the file itself is left as it is.
void RemoveStagedFiles(const std::string& path);

// A file made in two steps, so that it can wait for another one: a temporary file beside `path`
// is created at once (so that an unwritable place shows before any work is done), filled by
// Write, and renamed into place by Commit. Until then `path` is untouched; a StagedFile destroyed
// before Commit removes its temporary file. Every failure throws InputError.
class StagedFile {
 public:
  explicit StagedFile(std::string path);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  void Write(const std::string& contents);
  void Commit();

 private:
  std::string path_;
  std::string temporaryPath_;
  bool committed_ = false;
};

}  // namespace palisor_run
