// The glTF library with the options palisor-cli builds it with; include this instead of the
// library's header, so that every file sees the same configuration.
#pragma once

#ifndef TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE
#endif
#ifndef TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#endif
#ifndef TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#endif

#if defined(__GNUC__)
#pragma GCC system_header
#endif
#include <tiny_gltf.h>
