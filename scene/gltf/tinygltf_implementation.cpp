// The one translation unit that compiles the glTF library. Images are never decoded or written:
// palisor-cli only carries them through, so the library reads no image data at all.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include "scene/gltf/tinygltf_config.h"
