// A mistake in what the user gave the command line: its arguments, a scene file, a name. It ends
// the program with a message and exit status 2, before anything is written.
#pragma once

#include <stdexcept>
#include <string>

namespace palisor_run {

class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace palisor_run
