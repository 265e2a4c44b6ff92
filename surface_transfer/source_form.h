// Whether the Source is a solid, whose winding number tells inside from outside, and which way its
// faces point, judged on the mesh as a whole.
//
// A surface bounds a solid when its edges pair up: the edge from a to b of one triangle is the edge
// from b to a of another, so that the winding number is a whole number away from the surface. What
// is left unpaired is its boundary (holes, fins, faces turned over). The Source counts as a solid
// when the length of its boundary (each edge times the count of its unpaired uses) is at most
// kOpenBoundaryRatio times the square root of its area: a sphere with a fin or a small hole (a
// body open at the neck) is a solid, a sheet, a face or a bowl is not. Its faces point outwards
// when the volume they enclose, summed with signs, is positive, inwards (an inside-out Source, or
// one mirrored by a negative scale) when it is negative.
#pragma once

#include "surface_transfer/surface_methods.h"

// The boundary a solid may have, against the square root of its area. A circle's boundary against
// the square root of its area is 3.5; a sphere of radius r with a round hole of radius r / 2 is
// 0.9.
constexpr double kOpenBoundaryRatio = 1.0;

// +1 for a solid whose faces point outwards, -1 for one whose faces point inwards, 0 for an open
// Source (or one with a corner out of range, or no area, or no volume). `mesh` should be welded
// (welded_corners.h), so that faces split along seams pair up.
int SolidOrientation(const TriangleMesh& mesh);
