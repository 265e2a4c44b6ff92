#include "scene_run/output_file.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "scene_run/input_error.h"

namespace palisor_run {

namespace {

// A temporary file is named after the file it stands in for: PATH.tmp-PROCESS-SERIAL.
constexpr const char* kStagedMark = ".tmp-";

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifndef _WIN32
  if (fsync(fileno(file)) != 0) return false;
#endif
  return true;
}

// Opens a temporary file that did not exist before, in the target's directory so that the rename
// stays within one file system.
std::FILE* CreateTemporary(const std::string& path, std::string& temporaryPath) {
  static std::atomic<int> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath =
        path + kStagedMark + std::to_string(ProcessId()) + "-" + std::to_string(serial++);
    int flags = O_WRONLY | O_CREAT | O_EXCL;
#ifdef O_BINARY
    flags |= O_BINARY;
#endif
    const int descriptor = open(temporaryPath.c_str(), flags, 0666);
    if (descriptor >= 0) {
      std::FILE* file = fdopen(descriptor, "wb");
      if (file == nullptr) close(descriptor);
      return file;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

[[noreturn]] void FailToWrite(const std::string& path, const std::string& reason) {
  throw InputError("cannot write " + path + ": " + reason);
}

}  // namespace

StagedFile::StagedFile(std::string path) : path_(std::move(path)) {
  std::FILE* file = CreateTemporary(path_, temporaryPath_);
  if (file == nullptr) {
    const int error = errno;
    temporaryPath_.clear();
    FailToWrite(path_, std::strerror(error));
  }
  std::fclose(file);
}

StagedFile::~StagedFile() {
  if (!committed_ && !temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
}

void StagedFile::Write(const std::string& contents) {
  std::FILE* file = std::fopen(temporaryPath_.c_str(), "wb");
  if (file == nullptr) FailToWrite(path_, std::strerror(errno));
  const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size() &&
                       FlushToDisk(file);
  const int writeError = errno;
  if (std::fclose(file) != 0 || !written) {
    FailToWrite(path_, std::strerror(written ? errno : writeError));
  }
}

void StagedFile::Commit() {
  std::error_code error;
  std::filesystem::rename(temporaryPath_, path_, error);
  if (error) FailToWrite(path_, error.message());
  committed_ = true;
}

bool IsStagedFileName(const std::string& name) {
  const std::size_t mark = name.rfind(kStagedMark);
  if (mark == std::string::npos || mark == 0) return false;
  const std::string tail = name.substr(mark + std::strlen(kStagedMark));
  const std::size_t dash = tail.find('-');
  const auto digits = [](const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  };
  return dash != std::string::npos && digits(tail.substr(0, dash)) && digits(tail.substr(dash + 1));
}

void RemoveStagedFiles(const std::string& path) {
  const std::filesystem::path target(path);
  const std::string prefix = target.filename().string() + kStagedMark;
  std::error_code error;
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0 || !IsStagedFileName(name)) continue;
    std::error_code removal;
    std::filesystem::remove(it->path(), removal);
  }
}

bool NamesSameFile(const std::string& first, const std::string& second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error) && !error;
}

void WriteFileAtomically(const std::string& path, const std::function<int(std::FILE*)>& write) {
  std::string temporaryPath;
  std::FILE* file = CreateTemporary(path, temporaryPath);
  if (file == nullptr) {
    throw InputError("cannot write " + path + ": " + std::strerror(errno));
  }
  int writeError = 0;
  try {
    writeError = write(file);
  } catch (...) {
    std::fclose(file);
    std::remove(temporaryPath.c_str());
    throw;
  }
  const bool written = writeError == 0 && FlushToDisk(file);
  if (writeError == 0 && !written) writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    const int error = written ? errno : writeError;
    std::remove(temporaryPath.c_str());
    throw InputError("cannot write " + path + ": " + std::strerror(error));
  }
  std::error_code error;
  std::filesystem::rename(temporaryPath, path, error);
  if (error) {
    std::remove(temporaryPath.c_str());
    throw InputError("cannot write " + path + ": " + error.message());
  }
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
  WriteFileAtomically(path, [&contents](std::FILE* file) {
    if (std::fwrite(contents.data(), 1, contents.size(), file) == contents.size()) return 0;
    return errno != 0 ? errno : EIO;
  });
}

}  // namespace palisor_run
