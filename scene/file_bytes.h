// The whole contents of a scene file, read-only. Where the system allows, the file is mapped into
// memory instead of copied, so that a large scene's bytes are copied only where they are parsed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace palisor_scene {

class FileBytes {
 public:
  // Throws SceneError naming the file when it is a folder or cannot be opened or read.
  explicit FileBytes(const std::string& path);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::string_view view() const { return std::string_view(data_, size_); }

 private:
  const char* data_ = "";
  std::size_t size_ = 0;
  // The mapping, when the file is mapped; else the bytes read.
  void* mapping_ = nullptr;
  std::unique_ptr<char[]> read_;
};

}  // namespace palisor_scene
