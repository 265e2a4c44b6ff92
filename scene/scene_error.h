// A fault of a scene file (it cannot be read, or what it says cannot be a scene): which file, where
// in it (a line, a JSON place; empty for the file as a whole), and the whole message for the user,
// which names both.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace palisor_scene {

class SceneError : public std::runtime_error {
 public:
  SceneError(std::string file, std::string place, const std::string& message)
      : std::runtime_error(message), file_(std::move(file)), place_(std::move(place)) {}

  const std::string& file() const { return file_; }
  const std::string& place() const { return place_; }

 private:
  std::string file_;
  std::string place_;
};

}  // namespace palisor_scene
