#include "scene/disk_writeback.h"

#ifdef __linux__
#include <fcntl.h>
#endif

namespace palisor_scene {

void StartWriteback(std::FILE* file, uint64_t offset, uint64_t size) {
#ifdef __linux__
  if (std::fflush(file) != 0) return;
  sync_file_range(fileno(file), static_cast<off64_t>(offset), static_cast<off64_t>(size),
                  SYNC_FILE_RANGE_WRITE);
#else
  (void)file;
  (void)offset;
  (void)size;
#endif
}

}  // namespace palisor_scene
