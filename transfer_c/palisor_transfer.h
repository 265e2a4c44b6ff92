/* palisor_transfer: carries morph displacements from one mesh (the Source) to another (the
 * Destination), as the Palisor plug-in does, for programs that hold their meshes in plain arrays.
 *
 * For every Destination vertex and every morph target, the result is by default the weighted mean
 * of the target's displacements (target minus base) at the vertex's three nearest used Source
 * vertices, weighted by the inverse of the squared distance, in 32-bit floats, bit for bit as the
 * plug-in computes it. Two more methods take the motion from the closest point of the Source's
 * triangles instead. A C99 interface: plain C types only, and no C++ exception ever leaves a
 * function.
 *
 * Failures are reported by a status code, and by a message written into a buffer that the caller
 * provides (may be null). The message is UTF-8 text ending in a null byte, cut to the buffer. */
#ifndef PALISOR_TRANSFER_H
#define PALISOR_TRANSFER_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(PALISOR_TRANSFER_BUILDING)
#define PALISOR_TRANSFER_API __declspec(dllexport)
#else
#define PALISOR_TRANSFER_API __declspec(dllimport)
#endif
#else
#define PALISOR_TRANSFER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a function reports. New codes may be added; a caller treats any code other than
 * PALISOR_TRANSFER_OK as a failure. */
typedef enum palisor_transfer_status {
  PALISOR_TRANSFER_OK = 0,
  /* An argument breaks this interface's rules: a null pointer where data are needed, no targets, a
   * count too large, a struct_size below the struct's first size. */
  PALISOR_TRANSFER_INVALID_ARGUMENT = 1,
  /* A request this library does not know: an unknown method, or a struct from a newer interface
   * that sets fields this library does not have. */
  PALISOR_TRANSFER_UNSUPPORTED = 2,
  /* Memory ran out; the outputs are unspecified. */
  PALISOR_TRANSFER_OUT_OF_MEMORY = 3,
  /* Anything else that went wrong inside; the outputs are unspecified. */
  PALISOR_TRANSFER_INTERNAL_ERROR = 4
} palisor_transfer_status;

/* How a Destination vertex finds the Source vertices it takes motion from. */
enum {
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
};

/* What was done to a Destination vertex: one byte per vertex from
 * palisor_transfer_compute_marked, bits combined. A vertex outside destination_mask gets 0. */
enum {
  /* Took its motion from its own match: its closest point on the Source (methods 1 and 2), its
   * nearest used Source vertices (method 0, where the Source has a used vertex). */
  PALISOR_TRANSFER_MARK_MATCHED = 1,
  /* Its closest point was refused by max_distance or max_angle_degrees: its displacement is
   * filled smoothly from the matched vertices around it over the Destination's triangles. */
  PALISOR_TRANSFER_MARK_FILLED = 2,
  /* Refused, in a connected part of the Destination with no matched vertex: the part moves
   * rigidly with the surface at its vertex nearest to the Source. */
  PALISOR_TRANSFER_MARK_RIGID = 4,
  /* Pushed back outside the morphed Source in at least one target (keep_outside). */
  PALISOR_TRANSFER_MARK_PUSHED = 8,
  /* Methods 1 and 2: its own match gave no finite displacement in at least one target (a Source
   * displacement not finite): filled or moved rigidly instead in every target (with _FILLED or
   * _RIGID), or, with no finite motion at all, left with a zero displacement. */
  PALISOR_TRANSFER_MARK_NOT_FINITE = 16
};

/* How a transfer is made. Set struct_size, fill it with palisor_transfer_default_options, then
 * change fields.
 * struct_size tells the library which version of the struct the caller knows: it must be at least
 * the size of the first version (up to thread_count), and where it is larger (a caller built with
 * a newer header), the bytes this library does not know must be zero (their options left at their
 * defaults). Fields beyond a caller's struct_size take their defaults. */
typedef struct palisor_transfer_options {
  size_t struct_size;
  /* A PALISOR_TRANSFER_METHOD_ value; 0, the plug-in's rule, is the default. */
  int32_t method;
  /* How many threads compute, the calling one included; 0 (the default): as many as the machine
   * runs. The results do not depend on it. */
  uint32_t thread_count;
  /* Methods 1 and 2 only (method 0 ignores them). A closest point farther than max_distance from
   * the vertex is refused (0 or more; infinity, the default: no limit). So is one where the
   * Source's normal turns more than max_angle_degrees from the Destination vertex's normal (0 or
   * more; 180, the default, or more: no limit): a surface facing the vertex's, as a lower lip the
   * upper one, is refused at any limit below 180. A vertex whose normal is zero passes the angle
   * limit. Refused vertices are marked PALISOR_TRANSFER_MARK_FILLED or _RIGID. */
  float max_distance;
  float max_angle_degrees;
  /* Methods 1 and 2 only. Negative (the default): off. Otherwise a finite distance: a vertex that
   * lies outside the rest Source (for an open Source, a sheet: on either side) ends at least this
   * far outside the morphed Source, on its side, in every target. */
  float keep_outside;
} palisor_transfer_options;

/* What is transferred. Positions and displacements are arrays of float triples (x, y, z), three
 * floats per vertex; coordinates may be infinite or NaN, and such vertices are ranked as the
 * plug-in ranks them. A mask holds one byte per vertex, non-zero for a vertex that takes part; a
 * null mask lets every vertex take part. struct_size as for the options (the first version ends
 * with destination_mask). */
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
   * methods 1 and 2, which need both arrays (not null; a count of 0 is allowed, as for a
   * Destination that is a point cloud); method 0 ignores them. Every index must be below its
   * mesh's vertex count, and a count at most 2147483647. The Source's surface is made of its
   * triangles whose three corners are used (source_used); the Destination's carry its vertex
   * normals (for max_angle_degrees) and join its vertices for filling refused ones. */
  const uint32_t* source_triangles;
  size_t source_triangle_count;
  const uint32_t* destination_triangles;
  size_t destination_triangle_count;
} palisor_transfer_input;

/* This library's version: major * 10000 + minor * 100 + patch.
 * Threads: any thread, at any time. */
PALISOR_TRANSFER_API uint32_t palisor_transfer_version(void);

/* Fills `options` with the defaults and struct_size with the size filled; a null pointer is
 * ignored. A caller that sets struct_size to its size of the struct first (as
 * `palisor_transfer_options options = {sizeof options};` does) gets every field of this version
 * filled; otherwise (any other struct_size, as a caller of the first header, which did not ask
 * for it, may leave there) only the first version's fields are written, so that no byte
 * beyond that caller's struct is touched, and the later fields keep their defaults as the
 * library reads them.
 * Threads: any thread; `options` must not be used by another thread meanwhile. */
PALISOR_TRANSFER_API void palisor_transfer_default_options(palisor_transfer_options* options);

/* A short English text naming a status code, such as "invalid argument"; never null. The text is
 * static and lives as long as the library is loaded.
 * Threads: any thread, at any time. */
PALISOR_TRANSFER_API const char* palisor_transfer_status_text(int32_t status);

/* Computes every target's displacements of the Destination vertices, as
 * palisor_transfer_compute_marked does with no marks:
 * destination_displacements[t] points to destination_vertex_count float triples that receive
 * target t's displacement of each Destination vertex; a vertex outside destination_mask gets
 * (0, 0, 0). `options` may be null for the defaults. On a status other than PALISOR_TRANSFER_OK
 * the message says what was wrong (for an invalid argument: which one), and the outputs are
 * untouched where the arguments were refused, unspecified otherwise. `message` may be null;
 * otherwise it receives at most message_capacity bytes, the null byte included.
 *
 * Computes in the calling thread's rounding mode (and, on x86, its handling of tiny numbers), with
 * every floating-point exception masked; the calling thread's floating-point state, status flags
 * included, is as before when the call returns.
 * Threads: any thread; several calls may run at once. The call returns when all work is done; the
 * worker threads it starts read the input arrays and write the output arrays only, and end before
 * it returns. The input arrays must not change during the call, and no output array may overlap
 * another or an input. */
PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, char* message, size_t message_capacity);

/* As palisor_transfer_compute, and also tells what was done to each Destination vertex: unless
 * `destination_marks` is null, it receives destination_vertex_count bytes of
 * PALISOR_TRANSFER_MARK_ bits (untouched where the arguments were refused). Threads as for
 * palisor_transfer_compute; the marks may not overlap another array either. */
PALISOR_TRANSFER_API palisor_transfer_status palisor_transfer_compute_marked(
    const palisor_transfer_input* input, const palisor_transfer_options* options,
    float* const* destination_displacements, uint8_t* destination_marks, char* message,
    size_t message_capacity);

#ifdef __cplusplus
}
#endif

#endif
