// Starting to write a file's bytes to the disk while more of the file is being written, so that
// the flush before the file is renamed into place finds little left to do.
#pragma once

#include <cstdint>
#include <cstdio>

namespace palisor_scene {

// Asks the system to start writing the bytes [offset, offset + size) of the file to the disk now,
// without waiting for it. Only a hint: where the system takes no such request, or refuses it,
// nothing happens (the flush that follows reports any fault).
void StartWriteback(std::FILE* file, uint64_t offset, uint64_t size);

}  // namespace palisor_scene
