// How every weight method ends: a vertex's candidate influences, joint by joint, become its
// stored slots: the largest ones kept, in decreasing order (the lower joint first between equal
// weights), each a whole multiple of 2^-24 so that their float sum is exactly 1 in any order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One joint's share of a vertex, as a method works it out.
struct Influence {
  uint32_t joint;
  double weight;
};

// Whether a comes before b in a stored vertex: the larger weight first, then the lower joint.
inline bool StoredBefore(const Influence& a, const Influence& b) {
  return a.weight > b.weight || (a.weight == b.weight && a.joint < b.joint);
}

// Writes `slots` slots of one vertex from `candidates` (a joint may appear more than once: its
// weights add up; weights not above 0 count as none): the `slots` largest, scaled to sum 1 and
// rounded to whole multiples of 2^-24 by largest remainders. With no positive candidate every
// slot is unused (joint 0, weight 0). `candidates` is reordered.
void StoreLargest(std::vector<Influence>& candidates, std::size_t slots, uint32_t* joints,
                  float* weights);

// A vertex's stored slots as candidates, appended to `candidates` with each weight times `factor`.
void AppendStored(const uint32_t* joints, const float* weights, std::size_t slots, double factor,
                  std::vector<Influence>& candidates);
