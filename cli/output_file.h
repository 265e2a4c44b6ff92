// Writing the result file safely: never over the input, never half-written.
#pragma once

#include <string>

namespace palisor_cli {

// Whether two paths name the same existing file (through links, relative parts and all).
bool NamesSameFile(const std::string& first, const std::string& second);

// Writes `contents` to a fresh temporary file beside `path` and renames it into place, so that
// `path` either keeps its old contents or has all the new ones. Throws InputError on failure,
// after removing the temporary file.
void WriteFileAtomically(const std::string& path, const std::string& contents);

}  // namespace palisor_cli
