// Writing the result file safely: never over the input, never half-written.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace palisor_cli {

// Whether two paths name the same existing file (through links, relative parts and all).
bool NamesSameFile(const std::string& first, const std::string& second);

// Has `write` fill a fresh temporary file beside `path`, flushes it to disk and renames it into
// place, so that `path` either keeps its old contents or has all the new ones. `write` returns 0
// or the errno of a failed write. Throws InputError on failure, and passes on whatever `write`
// throws, after removing the temporary file.
void WriteFileAtomically(const std::string& path, const std::function<int(std::FILE*)>& write);
void WriteFileAtomically(const std::string& path, const std::string& contents);

}  // namespace palisor_cli
