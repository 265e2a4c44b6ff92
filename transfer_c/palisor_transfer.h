/* palisor_transfer: carries morph displacements from one mesh (the Source) to another (the
 * Destination), as the Palisor plug-in does, for programs that hold their meshes in plain arrays.
 *
 * For every Destination vertex and every morph target, the result is by default the weighted mean
 * of the target's displacements (target minus base) at the vertex's three nearest used Source
 * vertices, weighted by the inverse of the squared distance, in 32-bit floats, bit for bit as the
 * plug-in computes it. Two more methods take the motion from the closest point of the Source's
 * triangles instead (palisor_transfer_method). palisor_transfer_weights carries skin weights by
 * a nearest, a surface and a robust method (palisor_transfer_weight_method).
 *
 * The library is one file: libpalisor_transfer.so on Linux, palisor_transfer.dll on Windows (32-
 * and 64-bit builds). It carries its C++ runtime inside, so that it needs only the C library (on
 * Windows, Windows' own DLLs), and exports exactly the functions declared here. A C99 interface:
 * plain C types only, and no C++ exception ever leaves a function.
 *
 * Threads: every function may be called from any thread, and calls may run at once, as long as no
 * struct or array that one call reads is written by another call or thread meanwhile. A compute
 * call returns when all its work is done: the worker threads it starts read the input arrays and
 * write the output arrays only, and end before it returns.
 *
 * Ownership: every struct and array belongs to the caller, who provides it for the length of a
 * call; the library keeps no pointer after a call returns, and allocates nothing that the caller
 * frees. The texts of palisor_transfer_status_text are static: they live as long as the library
 * is loaded.
 *
 * Failures are reported by a status code, and by a message written into a buffer that the caller
 * provides (may be null). The message is UTF-8 text ending in a null byte, cut to the buffer.
 *
 * Example, a whole program: two Source vertices rise by 1 and by 3 in a morph target, and the
 * Destination vertex halfway between them rises by their mean, 2. It prints "0 0 2". (The tests
 * build and run it as it stands here.)
 * @code
 * #include <stdio.h>
 * #include "palisor_transfer.h"
 *
 * int main(void) {
 *   float source[] = {0, 0, 0, 1, 0, 0}, rise[] = {0, 0, 1, 0, 0, 3}, middle[] = {0.5f, 0, 0};
 *   const float* targets[] = {rise};
 *   float moved[3], *outputs[] = {moved};
 *   palisor_transfer_input input = {.struct_size = sizeof input, .source_positions = source,
 *       .source_vertex_count = 2, .target_displacements = targets, .target_count = 1,
 *       .destination_positions = middle, .destination_vertex_count = 1};
 *   char message[256];
 *   if (!PALISOR_TRANSFER_VERSION_COMPATIBLE(palisor_transfer_version())) return 1;
 *   if (palisor_transfer_compute(&input, NULL, outputs, message, sizeof message) !=
 *       PALISOR_TRANSFER_OK) {
 *     fprintf(stderr, "palisor_transfer: %s\n", message);
 *     return 1;
 *   }
 *   printf("%g %g %g\n", moved[0], moved[1], moved[2]);
 *   return 0;
 * }
 * @endcode
 */
#ifndef PALISOR_TRANSFER_H
#define PALISOR_TRANSFER_H

#include <stddef.h>
#include <stdint.h>

/* The version of this header and of the library built with it. A program built with a header of
 * version X.Y.P works with every library of version X.Z.Q where Z >= Y: a minor version only adds
 * (a function, a field at a struct's end, a method, a status or mark), a patch version changes no
 * interface, and only a major version may take away or change. A library older than the header
 * may lack functions and refuses the fields it does not know (see the struct_size rule). */
#define PALISOR_TRANSFER_VERSION_MAJOR 1
#define PALISOR_TRANSFER_VERSION_MINOR 3
#define PALISOR_TRANSFER_VERSION_PATCH 0

/* A version as one number, the form palisor_transfer_version returns: major * 10000 + minor * 100
 * + patch (minor and patch below 100), so that a later version is a larger number. */
#define PALISOR_TRANSFER_MAKE_VERSION(major, minor, patch) ((major)*10000 + (minor)*100 + (patch))

/* This header's version as one number. */
#define PALISOR_TRANSFER_VERSION                                                                \
  PALISOR_TRANSFER_MAKE_VERSION(PALISOR_TRANSFER_VERSION_MAJOR, PALISOR_TRANSFER_VERSION_MINOR, \
                                PALISOR_TRANSFER_VERSION_PATCH)

/* Non-zero when a library of version number `version` (as palisor_transfer_version returns it)
 * serves a program built with this header, by the rule above: the same major version, and the same
 * minor version or a later one. `version` is evaluated twice. */
#define PALISOR_TRANSFER_VERSION_COMPATIBLE(version)                          \
  ((version) / 10000 == PALISOR_TRANSFER_VERSION_MAJOR &&                     \
   (version) >= PALISOR_TRANSFER_MAKE_VERSION(PALISOR_TRANSFER_VERSION_MAJOR, \
                                              PALISOR_TRANSFER_VERSION_MINOR, 0))

/* Decorates the functions below. Left undefined, it imports them from the DLL on Windows and gives
 * them default visibility elsewhere (the library's own build, which defines
 * PALISOR_TRANSFER_BUILDING, exports them). A program that links the library statically defines
 * PALISOR_TRANSFER_STATIC; one that needs other decorations defines PALISOR_TRANSFER_API itself
 * before including this header. */
#ifndef PALISOR_TRANSFER_API
#if defined(PALISOR_TRANSFER_STATIC)
#define PALISOR_TRANSFER_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(PALISOR_TRANSFER_BUILDING)
#define PALISOR_TRANSFER_API __declspec(dllexport)
#else
#define PALISOR_TRANSFER_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) && __GNUC__ >= 4
#define PALISOR_TRANSFER_API __attribute__((visibility("default")))
#else
#define PALISOR_TRANSFER_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a function reports. New codes may be added; a caller treats any code other than
 * PALISOR_TRANSFER_OK as a failure. */
typedef enum palisor_transfer_status {
  PALISOR_TRANSFER_OK = 0,
  /* An argument breaks this interface's rules: a null pointer where data are needed, no targets, a
   * count too large, a struct_size below the struct's first version. */
  PALISOR_TRANSFER_INVALID_ARGUMENT = 1,
  /* A request this library does not know: an unknown method, or a struct from a newer interface
   * that sets fields this library does not have. */
  PALISOR_TRANSFER_UNSUPPORTED = 2,
  /* Memory ran out; the outputs are unspecified. */
  PALISOR_TRANSFER_OUT_OF_MEMORY = 3,
  /* Anything else that went wrong inside; the outputs are unspecified. */
  PALISOR_TRANSFER_INTERNAL_ERROR = 4
} palisor_transfer_status;

/* How a Destination vertex finds the Source vertices it takes motion from: the values of
 * palisor_transfer_options.method. */
typedef enum palisor_transfer_method {
  /* The plug-in's rule: the three nearest used Source vertices by squared distance between rest
   * positions (ties: the higher Source index first), blended by inverse squared distance; a
   * vertex lying exactly on a Source vertex takes that vertex's displacement alone. */
  PALISOR_TRANSFER_METHOD_NEAREST_VERTICES = 0,
  /* Along the Source's surface: the displacement at the vertex's closest point on the Source's
   * triangles, blended from that triangle's corners by the point's barycentric weights. Needs the
   * triangles of both meshes (see palisor_transfer_input). */
  PALISOR_TRANSFER_METHOD_SURFACE_POINT = 1,
  /* As SURFACE_POINT, and the vertex's offset from its closest point turns and stretches with the
   * surface around that point, keeping its length along the surface's normal: a shell over the
   * Source (clothes over a body) keeps its distance, and what sits on the surface follows it. */
  PALISOR_TRANSFER_METHOD_CARRIED_OFFSET = 2
} palisor_transfer_method;

/* What was done to a Destination vertex: the bits, combined, of the byte per vertex that
 * palisor_transfer_compute_marked writes. A vertex outside destination_mask gets 0. */
typedef enum palisor_transfer_mark {
  /* Took its motion from its own match: its closest point on the Source (SURFACE_POINT,
   * CARRIED_OFFSET), its nearest used Source vertices (NEAREST_VERTICES, where the Source has a
   * used vertex). */
  PALISOR_TRANSFER_MARK_MATCHED = 1,
  /* Its closest point was refused by max_distance or max_angle_degrees: its displacement is
   * filled smoothly from the matched vertices around it over the Destination's triangles. */
  PALISOR_TRANSFER_MARK_FILLED = 2,
  /* Refused, in a connected part of the Destination with no matched vertex: the part moves
   * rigidly with the surface at its vertex nearest to the Source. */
  PALISOR_TRANSFER_MARK_RIGID = 4,
  /* Pushed back outside the morphed Source in at least one target (keep_outside). */
  PALISOR_TRANSFER_MARK_PUSHED = 8,
  /* SURFACE_POINT and CARRIED_OFFSET: its own match gave no finite displacement in at least one
   * target (a Source displacement not finite): filled or moved rigidly instead in every target
   * (with _FILLED or _RIGID), or, with no finite motion at all, left with a zero displacement. */
  PALISOR_TRANSFER_MARK_NOT_FINITE = 16
} palisor_transfer_mark;

/* The struct_size rule, for both structs below. Each begins with its own size, so that a later
 * version of this interface can add fields at its end and still serve programs built with an
 * earlier header:
 * - The caller sets struct_size to the struct's size as its header declares it (sizeof), before
 *   anything else, palisor_transfer_default_options included, and leaves every byte it does not
 *   set zero: `palisor_transfer_options options = {.struct_size = sizeof options};`.
 * - The library reads and writes no byte of a struct at or beyond its struct_size, and never
 *   changes struct_size.
 * - A struct_size below the size of the struct's first version is refused
 *   (PALISOR_TRANSFER_INVALID_ARGUMENT): a struct whose struct_size was never set.
 * - A struct_size smaller than this library's (a program built with an older header): the fields
 *   beyond it take their defaults.
 * - A struct_size larger than this library's (a program built with a newer header): every byte
 *   this library does not know, from the end of its last field (the struct's tail padding
 *   included) up to struct_size, must be zero, leaving the newer fields at their defaults;
 *   otherwise the call fails with PALISOR_TRANSFER_UNSUPPORTED. */

/* How a transfer is made. Start from palisor_transfer_default_options (after setting struct_size),
 * then change fields. Its first version ends with thread_count. */
typedef struct palisor_transfer_options {
  size_t struct_size;
  /* A palisor_transfer_method; PALISOR_TRANSFER_METHOD_NEAREST_VERTICES, the plug-in's rule, is
   * the default. */
  int32_t method;
  /* How many threads compute, the calling one included; 0 (the default): as many as the machine
   * runs. The results do not depend on it. */
  uint32_t thread_count;
  /* SURFACE_POINT and CARRIED_OFFSET only (NEAREST_VERTICES ignores them). A closest point farther
   * than max_distance from the vertex is refused (0 or more; infinity, the default: no limit). So
   * is one where the Source's normal turns more than max_angle_degrees from the Destination
   * vertex's normal (0 or more; 180, the default, or more: no limit): a surface facing the
   * vertex's, as a lower lip the upper one, is refused at any limit below 180. A vertex whose
   * normal is zero passes the angle limit. Refused vertices are marked PALISOR_TRANSFER_MARK_FILLED
   * or _RIGID. */
  float max_distance;
  float max_angle_degrees;
  /* SURFACE_POINT and CARRIED_OFFSET only. Negative (the default): off. Otherwise a finite
   * distance: a vertex that lies outside the rest Source (for an open Source, a sheet: on either
   * side) ends outside the morphed Source, on its side, at least min(this, its distance before the
   * morph) from it, in every target; a vertex already there keeps its displacement. */
  float keep_outside;
} palisor_transfer_options;

/* What is transferred. Positions and displacements are arrays of float triples (x, y, z), three
 * floats per vertex; coordinates may be infinite or NaN, and such vertices are ranked as the
 * plug-in ranks them. A mask holds one byte per vertex, non-zero for a vertex that takes part; a
 * null mask lets every vertex take part. struct_size by the struct_size rule; the first version
 * ends with destination_mask. */
typedef struct palisor_transfer_input {
  size_t struct_size;
  /* The Source's rest positions, every vertex (fewer than 2^31 of them). Only used vertices
   * supply motion; source_used null: all are used. */
  const float* source_positions;
  size_t source_vertex_count;
  const uint8_t* source_used;
  /* target_count (at least 1) arrays of displacements, target minus base, one triple per Source
   * vertex in the Source's order. A target with fewer vertices than the Source gives its count in
   * target_vertex_counts (null: every target has source_vertex_count); the Source vertices it
   * lacks show no displacement. */
  const float* const* target_displacements;
  const size_t* target_vertex_counts;
  size_t target_count;
  /* The Destination's rest positions. Only the vertices of destination_mask move (null: all). */
  const float* destination_positions;
  size_t destination_vertex_count;
  const uint8_t* destination_mask;
  /* The meshes' triangles, three vertex indices each (polygons fanned into triangles), for
   * SURFACE_POINT and CARRIED_OFFSET, which need both arrays (not null; a count of 0 is allowed,
   * as for a Destination that is a point cloud); NEAREST_VERTICES ignores them. Every index must
   * be below its mesh's vertex count, and a count at most 2147483647. The Source's surface is made
   * of its triangles whose three corners are used (source_used): a Source with no such triangle
   * is refused (INVALID_ARGUMENT), as it has no surface to match to; the Destination's carry its
   * vertex normals (for max_angle_degrees) and join its vertices for filling refused ones. */
  const uint32_t* source_triangles;
  size_t source_triangle_count;
  const uint32_t* destination_triangles;
  size_t destination_triangle_count;
} palisor_transfer_input;

/* The library's version as one number, major * 10000 + minor * 100 + patch: compare it with
 * PALISOR_TRANSFER_VERSION_COMPATIBLE. */
PALISOR_TRANSFER_API uint32_t palisor_transfer_version(void);

/* Sets the options to their defaults by the struct_size rule, which the caller must have set
 * first: the bytes below struct_size, up to the end of this library's struct, receive the
 * defaults (the bytes between and after its fields zero); struct_size and the bytes of a newer
 * header's fields are left as they are. Where struct_size is below the first version's size
 * (never set), nothing is written, and a compute call refuses the options. A null pointer is
 * ignored. The defaults: method PALISOR_TRANSFER_METHOD_NEAREST_VERTICES, thread_count 0,
 * max_distance infinity, max_angle_degrees 180, keep_outside -1 (off). */
PALISOR_TRANSFER_API void palisor_transfer_default_options(palisor_transfer_options* options);

/* A short English text naming a status code, such as "invalid argument"; never null. */
PALISOR_TRANSFER_API const char* palisor_transfer_status_text(int32_t status);

/* Computes every target's displacements of the Destination vertices, as
 * palisor_transfer_compute_marked does with no marks:
 * destination_displacements[t] points to destination_vertex_count float triples that receive
 * target t's displacement of each Destination vertex; a vertex outside destination_mask gets
 * (0, 0, 0). `options` may be null for the defaults. On a status other than PALISOR_TRANSFER_OK
 * the message says what was wrong (for an invalid argument: which one), and the outputs are
 * untouched where the arguments were refused, unspecified otherwise. `message` may be null;
 * otherwise it receives at most message_capacity bytes, the null byte included. No output array
 * may overlap another or an input.
 *
 * Computes in the calling thread's rounding mode (and, on x86, its handling of tiny numbers), with
 * every floating-point exception masked; the calling thread's floating-point state, status flags
 * included, is as before when the call returns. */
PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, char* message, size_t message_capacity);

/* As palisor_transfer_compute, and also tells what was done to each Destination vertex: unless
 * `destination_marks` is null, it receives destination_vertex_count bytes of palisor_transfer_mark
 * bits (untouched where the arguments were refused). The marks may not overlap another array
 * either. */
PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute_marked(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, uint8_t* destination_marks, char* message,
    size_t message_capacity);

/* Skin weights: how a Destination vertex takes the Source's weights, the values of
 * palisor_transfer_weight_options.method. Every method ends alike: each Destination vertex keeps
 * its max_influences largest weights, in decreasing order (the lower joint first between equal
 * weights), each in [0, 1] and a whole multiple of 2^-24, so that their float sum is exactly 1 in
 * any order. Each Source vertex's weights count as shares of their sum. */
typedef enum palisor_transfer_weight_method {
  /* The plug-in's rule applied to weights: the inverse-square-distance weighted mean of the
   * weights of the vertex's three nearest used Source vertices (an exact hit takes its vertex's
   * weights alone). */
  PALISOR_TRANSFER_WEIGHTS_NEAREST = 0,
  /* The weights at the vertex's closest point on the Source's triangles, blended from that
   * triangle's corners by the point's barycentric weights. */
  PALISOR_TRANSFER_WEIGHTS_SURFACE = 1,
  /* As SURFACE under max_distance and max_angle_degrees; a refused vertex's weights are filled
   * smoothly (biharmonically) over the Destination's triangles from the matched vertices around it
   * (weight inpainting), then smoothed smoothing_passes times; a connected part of the Destination
   * with no matched vertex takes the weights at the Source's point nearest to it. With no limit it
   * gives SURFACE's weights. */
  PALISOR_TRANSFER_WEIGHTS_ROBUST = 2
} palisor_transfer_weight_method;

/* How a weight transfer is made. Start from palisor_transfer_default_weight_options (after setting
 * struct_size), then change fields; the struct_size rule above holds. Its first version ends with
 * max_influences. */
typedef struct palisor_transfer_weight_options {
  size_t struct_size;
  /* A palisor_transfer_weight_method; PALISOR_TRANSFER_WEIGHTS_ROBUST is the default. */
  int32_t method;
  /* As palisor_transfer_options.thread_count: 0 (the default) for as many as the machine runs;
   * the results do not depend on it. */
  uint32_t thread_count;
  /* ROBUST only: a closest point farther than max_distance from the vertex is refused (0 or more;
   * infinity, the default: no limit), and so is one where the Source's normal turns more than
   * max_angle_degrees from the Destination vertex's (0 or more; 45, the default; 180 or more: no
   * limit). */
  float max_distance;
  float max_angle_degrees;
  /* ROBUST only: passes of smoothing over the filled vertices and those beside them, each vertex
   * taking the mean of its own weights and its neighbours' (0, the default: none). */
  uint32_t smoothing_passes;
  /* The most influences a Destination vertex keeps: 1 to 255 (default 4). */
  uint32_t max_influences;
} palisor_transfer_weight_options;

/* What a weight transfer reads. Positions as palisor_transfer_input has them; masks one byte per
 * vertex (null: every vertex). struct_size by the struct_size rule; the first version ends with
 * destination_triangle_count. */
typedef struct palisor_transfer_weight_input {
  size_t struct_size;
  /* The Source: its rest positions (fewer than 2^31 vertices); the used ones give weights
   * (source_used null: all). */
  const float* source_positions;
  size_t source_vertex_count;
  const uint8_t* source_used;
  /* The Source's triangles (SURFACE and ROBUST; NEAREST ignores them): its surface is made of
   * those whose three corners are used, and there must be one. */
  const uint32_t* source_triangles;
  size_t source_triangle_count;
  /* The Source's weights: source_influences slots per vertex (1 to 255), slot k of vertex v being
   * joint source_joints[v * source_influences + k] with weight
   * source_weights[v * source_influences + k]. A weight must be finite and not negative; a slot of
   * weight 0 is unused, and any other names a joint below joint_count. */
  const uint32_t* source_joints;
  const float* source_weights;
  size_t source_influences;
  size_t joint_count;
  /* The Destination: its rest positions, the vertices that take weights (null: all), and its
   * triangles (SURFACE and ROBUST: may be null with a count of 0, as for a point cloud; ROBUST
   * fills refused vertices over them). */
  const float* destination_positions;
  size_t destination_vertex_count;
  const uint8_t* destination_mask;
  const uint32_t* destination_triangles;
  size_t destination_triangle_count;
} palisor_transfer_weight_input;

/* Sets the weight options to their defaults, as palisor_transfer_default_options does its
 * options: method ROBUST, thread_count 0, max_distance infinity, max_angle_degrees 45,
 * smoothing_passes 0, max_influences 4. */
PALISOR_TRANSFER_API void palisor_transfer_default_weight_options(
    palisor_transfer_weight_options* options);

/* Computes the Destination's skin weights: destination_joints and destination_weights each
 * receive destination_vertex_count * max_influences entries, slot k of vertex v at
 * v * max_influences + k; an unused slot gets joint 0 and weight 0, and so does every slot of a
 * vertex outside destination_mask (or one whose position is not finite, or that has
 * no weight at all to take). Unless destination_marks is null it receives one byte of
 * palisor_transfer_mark bits per vertex (MATCHED, FILLED, RIGID). `options` may be null for the
 * defaults. Status, message, outputs on failure, threads and floating-point state as for
 * palisor_transfer_compute; no output may overlap another or an input. */
PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_weights(
    const palisor_transfer_weight_input* input, const palisor_transfer_weight_options* options,
    uint32_t* destination_joints, float* destination_weights, uint8_t* destination_marks,
    char* message, size_t message_capacity);

#ifdef __cplusplus
}
#endif

#endif
