#include "scene/file_bytes.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "scene/scene_error.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace palisor_scene {

namespace {

[[noreturn]] void CannotRead(const std::string& path) {
  throw SceneError(path, "", path + ": cannot be read");
}

}  // namespace

FileBytes::FileBytes(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw SceneError(path, "", path + ": is a folder, not a scene file");
  }
#ifndef _WIN32
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) throw SceneError(path, "", path + ": cannot be opened");
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
    close(descriptor);
    CannotRead(path);
  }
  size_ = static_cast<std::size_t>(status.st_size);
  if (size_ > 0) {
    void* mapping = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (mapping != MAP_FAILED) {
      mapping_ = mapping;
      data_ = static_cast<const char*>(mapping);
    }
  }
  close(descriptor);
  if (mapping_ != nullptr || size_ == 0) return;
#endif
  // Read where the file cannot be mapped.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw SceneError(path, "", path + ": cannot be opened");
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    std::fclose(file);
    CannotRead(path);
  }
  size_ = static_cast<std::size_t>(size);
  read_.reset(new char[size_ + 1]);
  const std::size_t got = std::fread(read_.get(), 1, size_, file);
  std::fclose(file);
  if (got != size_) CannotRead(path);
  data_ = read_.get();
}

FileBytes::~FileBytes() {
#ifndef _WIN32
  if (mapping_ != nullptr) munmap(mapping_, size_);
#endif
}

}  // namespace palisor_scene
