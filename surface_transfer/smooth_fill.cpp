#include "surface_transfer/smooth_fill.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>
#include <algorithm>
#include <climits>
#include <new>
#include <utility>

#include "parallel/parallel_chunks.h"

// The Laplacian is the umbrella operator of the mesh's graph (every neighbour weighs the same),
// not the cotangent one. Cotangent weights follow the geometry more closely, but they turn
// negative across obtuse triangles and infinite on degenerate ones, and the meshes that come to a
// transfer have both; with negative weights the system may lose its definiteness, and clamped
// weights may cut a vertex off altogether. Uniform weights keep the system symmetric positive
// definite for every part that holds a known vertex (a function harmonic on the filled vertices
// and zero on the known ones vanishes, by the maximum principle), whatever the geometry.

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// The fewest vertices of unanchored parts that a thread moves. A rigid move is some thirty double
// operations on one vertex, a few nanoseconds; a chunk of fewer than a few thousand vertices is
// over before a thread could be started for it, so that up to twice this many move on the calling
// thread alone. Only the speed depends on it: every vertex is moved by itself, whatever the chunks.
constexpr std::size_t kRigidVerticesPerChunk = 4096;

// What a vertex is to the fill; kNearFill combines with the others.
enum VertexRole : uint8_t {
  kTakesNoPart = 0,
  kKnown = 1,
  kToFill = 2,    // moving, not known
  kNearFill = 4,  // to fill, or a neighbour of one: its neighbours are listed
};

// The neighbour lists of the vertices marked kNearFill (`vertices`, in increasing order).
struct NearGraph {
  std::vector<uint32_t> vertices;
  std::vector<uint32_t> localOf;  // per mesh vertex: its place in `vertices`, or kNone
  std::vector<std::size_t> offsets;
  std::vector<uint32_t> neighbours;  // mesh vertices, increasing for each vertex
};

// One vertex's Laplacian row: its entries on the filled vertices (by column) and on the known
// ones (by mesh vertex), and the row's weight in the energy.
struct RowEntry {
  uint32_t index;
  double coefficient;
};
struct FillRow {
  double weight;
  std::size_t unknownBegin, unknownEnd, knownBegin, knownEnd;
};

bool CornersInRange(const TriangleMesh& mesh) {
  for (std::size_t i = 0; i < 3 * mesh.triangleCount; ++i) {
    if (mesh.triangles[i] >= mesh.vertexCount) return false;
  }
  return true;
}

// Every vertex's role; the neighbours of vertices to fill are those sharing a triangle with them.
std::vector<uint8_t> Roles(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving) {
  std::vector<uint8_t> roles(mesh.vertexCount, kTakesNoPart);
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
    if (known != nullptr && known[v] != 0) {
      roles[v] = kKnown;
    } else if (moving == nullptr || moving[v] != 0) {
      roles[v] = kToFill | kNearFill;
    }
  }
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    if (((roles[corners[0]] | roles[corners[1]] | roles[corners[2]]) & kToFill) == 0) continue;
    for (int c = 0; c < 3; ++c) {
      if (roles[corners[c]] != kTakesNoPart) roles[corners[c]] |= kNearFill;
    }
  }
  return roles;
}

// The graph's edges from near vertices, each once, as (from << 32 | to) in increasing order.
std::vector<uint64_t> NearEdges(const TriangleMesh& mesh, const std::vector<uint8_t>& roles) {
  std::vector<uint64_t> edges;
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    for (int from = 0; from < 3; ++from) {
      const uint32_t a = corners[from];
      if ((roles[a] & kNearFill) == 0) continue;
      for (int to = 0; to < 3; ++to) {
        const uint32_t b = corners[to];
        if (b != a && roles[b] != kTakesNoPart) edges.push_back(uint64_t{a} << 32 | b);
      }
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

NearGraph BuildNearGraph(const TriangleMesh& mesh, const std::vector<uint8_t>& roles) {
  NearGraph graph;
  graph.localOf.assign(mesh.vertexCount, kNone);
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
    if ((roles[v] & kNearFill) == 0) continue;
    graph.localOf[v] = static_cast<uint32_t>(graph.vertices.size());
    graph.vertices.push_back(static_cast<uint32_t>(v));
  }
  const std::vector<uint64_t> edges = NearEdges(mesh, roles);
  graph.offsets.assign(graph.vertices.size() + 1, 0);
  graph.neighbours.reserve(edges.size());
  for (const uint64_t edge : edges) {
    ++graph.offsets[graph.localOf[edge >> 32] + 1];
    graph.neighbours.push_back(static_cast<uint32_t>(edge & kNone));
  }
  for (std::size_t i = 0; i < graph.vertices.size(); ++i) graph.offsets[i + 1] += graph.offsets[i];
  return graph;
}

}  // namespace

struct SmoothFill::Solver {
  std::vector<std::vector<uint32_t>> unanchoredParts;
  // The vertices of the unanchored parts, part after part, with their part and rest position.
  std::vector<uint32_t> rigidVertices;
  std::vector<uint32_t> rigidPartOf;
  std::vector<Vector3> rigidRest;
  // The vertex of each column of the system, and the Laplacian rows that involve a column.
  std::vector<uint32_t> filledVertices;
  std::vector<FillRow> rows;
  std::vector<RowEntry> unknownEntries;
  std::vector<RowEntry> knownEntries;
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> factor;

  void SplitParts(const NearGraph& graph, const std::vector<uint8_t>& roles,
                  std::vector<uint32_t>* columnOf);
  void AddPart(std::vector<uint32_t>* members, bool anchored, std::vector<uint32_t>* columnOf);
  void NumberColumns(const NearGraph& graph, std::vector<uint32_t>* columnOf);
  void CollectRows(const NearGraph& graph, const std::vector<uint8_t>& roles,
                   const std::vector<uint32_t>& columnOf);
  bool Factor(std::string* error);
  void CopyRigidRest(const TriangleMesh& mesh);
  void SolveFilled(Vector3* deltas) const;
};

// Splits the vertices to fill into the connected parts of the graph they span; a part touching a
// known vertex is anchored (its columnOf entries are set to 0, numbered later), any other part is
// a whole connected part of the mesh with no known vertex.
void SmoothFill::Solver::SplitParts(const NearGraph& graph, const std::vector<uint8_t>& roles,
                                    std::vector<uint32_t>* columnOf) {
  std::vector<uint8_t> visited(graph.vertices.size(), 0);
  std::vector<uint32_t> members;
  for (std::size_t start = 0; start < graph.vertices.size(); ++start) {
    if ((roles[graph.vertices[start]] & kToFill) == 0 || visited[start] != 0) continue;
    visited[start] = 1;
    members.assign(1, graph.vertices[start]);
    bool anchored = false;
    for (std::size_t next = 0; next < members.size(); ++next) {
      const uint32_t local = graph.localOf[members[next]];
      for (std::size_t e = graph.offsets[local]; e < graph.offsets[local + 1]; ++e) {
        const uint32_t neighbour = graph.neighbours[e];
        if ((roles[neighbour] & kKnown) != 0) {
          anchored = true;
        } else if (visited[graph.localOf[neighbour]] == 0) {
          visited[graph.localOf[neighbour]] = 1;
          members.push_back(neighbour);
        }
      }
    }
    AddPart(&members, anchored, columnOf);
  }
  NumberColumns(graph, columnOf);
}

void SmoothFill::Solver::AddPart(std::vector<uint32_t>* members, bool anchored,
                                 std::vector<uint32_t>* columnOf) {
  if (anchored) {
    for (const uint32_t vertex : *members) (*columnOf)[vertex] = 0;
    return;
  }
  std::sort(members->begin(), members->end());
  unanchoredParts.push_back(*members);
}

// Columns go to the anchored vertices to fill in increasing order.
void SmoothFill::Solver::NumberColumns(const NearGraph& graph, std::vector<uint32_t>* columnOf) {
  for (const uint32_t vertex : graph.vertices) {
    if ((*columnOf)[vertex] == kNone) continue;
    (*columnOf)[vertex] = static_cast<uint32_t>(filledVertices.size());
    filledVertices.push_back(vertex);
  }
}

// The rows of every vertex whose Laplacian involves a column: the anchored vertices to fill and
// the known vertices beside them. (Lx)_r = sum of the neighbours' x - degree * x_r, weighted by
// 1 / degree in the energy.
void SmoothFill::Solver::CollectRows(const NearGraph& graph, const std::vector<uint8_t>& roles,
                                     const std::vector<uint32_t>& columnOf) {
  for (std::size_t local = 0; local < graph.vertices.size(); ++local) {
    const uint32_t vertex = graph.vertices[local];
    if ((roles[vertex] & kKnown) == 0 && columnOf[vertex] == kNone) continue;
    const std::size_t begin = graph.offsets[local], end = graph.offsets[local + 1];
    const double degree = static_cast<double>(end - begin);
    FillRow row{1.0 / degree, unknownEntries.size(), 0, knownEntries.size(), 0};
    if (columnOf[vertex] != kNone) {
      unknownEntries.push_back({columnOf[vertex], -degree});
    } else {
      knownEntries.push_back({vertex, -degree});
    }
    for (std::size_t e = begin; e < end; ++e) {
      const uint32_t neighbour = graph.neighbours[e];
      if (columnOf[neighbour] != kNone) {
        unknownEntries.push_back({columnOf[neighbour], 1.0});
      } else {
        knownEntries.push_back({neighbour, 1.0});
      }
    }
    row.unknownEnd = unknownEntries.size();
    row.knownEnd = knownEntries.size();
    rows.push_back(row);
  }
}

// The normal equations of the energy over the columns, L_U^T W L_U, assembled and factored.
bool SmoothFill::Solver::Factor(std::string* error) {
  if (filledVertices.empty()) return true;
  std::size_t tripletCount = 0;
  for (const FillRow& row : rows) {
    tripletCount += (row.unknownEnd - row.unknownBegin) * (row.unknownEnd - row.unknownBegin);
  }
  if (filledVertices.size() > INT_MAX || tripletCount > INT_MAX) {
    *error = "too many vertices to fill";
    return false;
  }
  std::vector<Eigen::Triplet<double>> triplets;
  triplets.reserve(tripletCount);
  for (const FillRow& row : rows) {
    for (std::size_t p = row.unknownBegin; p < row.unknownEnd; ++p) {
      for (std::size_t q = row.unknownBegin; q < row.unknownEnd; ++q) {
        triplets.emplace_back(
            static_cast<int>(unknownEntries[p].index), static_cast<int>(unknownEntries[q].index),
            row.weight * unknownEntries[p].coefficient * unknownEntries[q].coefficient);
      }
    }
  }
  const int n = static_cast<int>(filledVertices.size());
  Eigen::SparseMatrix<double> system(n, n);
  system.setFromTriplets(triplets.begin(), triplets.end());
  factor.compute(system);
  if (factor.info() != Eigen::Success) {
    *error = "the smooth fill's system could not be factored";
    return false;
  }
  return true;
}

void SmoothFill::Solver::CopyRigidRest(const TriangleMesh& mesh) {
  for (std::size_t part = 0; part < unanchoredParts.size(); ++part) {
    for (const uint32_t vertex : unanchoredParts[part]) {
      rigidVertices.push_back(vertex);
      rigidPartOf.push_back(static_cast<uint32_t>(part));
      rigidRest.push_back(mesh.positions[vertex]);
    }
  }
}

// Solves for the three components at once, in double precision, and stores them as floats.
void SmoothFill::Solver::SolveFilled(Vector3* deltas) const {
  if (filledVertices.empty()) return;
  Eigen::Matrix<double, Eigen::Dynamic, 3> rightSide =
      Eigen::Matrix<double, Eigen::Dynamic, 3>::Zero(
          static_cast<Eigen::Index>(filledVertices.size()), 3);
  for (const FillRow& row : rows) {
    double known[3] = {0.0, 0.0, 0.0};
    for (std::size_t k = row.knownBegin; k < row.knownEnd; ++k) {
      const Vector3& delta = deltas[knownEntries[k].index];
      known[0] += knownEntries[k].coefficient * static_cast<double>(delta.x);
      known[1] += knownEntries[k].coefficient * static_cast<double>(delta.y);
      known[2] += knownEntries[k].coefficient * static_cast<double>(delta.z);
    }
    for (std::size_t u = row.unknownBegin; u < row.unknownEnd; ++u) {
      const double scale = row.weight * unknownEntries[u].coefficient;
      for (int c = 0; c < 3; ++c) rightSide(unknownEntries[u].index, c) -= scale * known[c];
    }
  }
  const Eigen::Matrix<double, Eigen::Dynamic, 3> solution = factor.solve(rightSide);
  for (std::size_t column = 0; column < filledVertices.size(); ++column) {
    const Eigen::Index i = static_cast<Eigen::Index>(column);
    deltas[filledVertices[column]] = {static_cast<float>(solution(i, 0)),
                                      static_cast<float>(solution(i, 1)),
                                      static_cast<float>(solution(i, 2))};
  }
}

namespace {

// The displacement a rigid motion gives the point at rest position x, in double precision.
Vector3 RigidDisplacement(const RigidMotion& motion, const Vector3& x) {
  const double offset[3] = {static_cast<double>(x.x) - static_cast<double>(motion.origin.x),
                            static_cast<double>(x.y) - static_cast<double>(motion.origin.y),
                            static_cast<double>(x.z) - static_cast<double>(motion.origin.z)};
  const double translation[3] = {motion.translation.x, motion.translation.y, motion.translation.z};
  float result[3];
  for (int row = 0; row < 3; ++row) {
    const float* r = motion.rotation + 3 * row;
    const double turned = static_cast<double>(r[0]) * offset[0] +
                          static_cast<double>(r[1]) * offset[1] +
                          static_cast<double>(r[2]) * offset[2];
    result[row] = static_cast<float>(translation[row] + (turned - offset[row]));
  }
  return {result[0], result[1], result[2]};
}

}  // namespace

SmoothFill::SmoothFill() = default;
SmoothFill::~SmoothFill() = default;

bool SmoothFill::Prepare(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
                         std::string* error) {
  solver_.reset();
  if (mesh.vertexCount >= kNone) {
    *error = "too many vertices for the smooth fill";
    return false;
  }
  if (!CornersInRange(mesh)) {
    *error = "a triangle's corner is out of the mesh's range";
    return false;
  }
  try {
    std::unique_ptr<Solver> solver(new Solver);
    const std::vector<uint8_t> roles = Roles(mesh, known, moving);
    const NearGraph graph = BuildNearGraph(mesh, roles);
    std::vector<uint32_t> columnOf(mesh.vertexCount, kNone);
    solver->SplitParts(graph, roles, &columnOf);
    solver->CollectRows(graph, roles, columnOf);
    solver->CopyRigidRest(mesh);
    if (!solver->Factor(error)) return false;
    solver_ = std::move(solver);
    return true;
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to prepare the smooth fill";
    return false;
  }
}

const std::vector<std::vector<uint32_t>>& SmoothFill::unanchoredParts() const {
  static const std::vector<std::vector<uint32_t>> kNoParts;
  return solver_ ? solver_->unanchoredParts : kNoParts;
}

void SmoothFill::Fill(Vector3* deltas,
                      const std::function<RigidMotion(std::size_t part)>& rigidMotion,
                      unsigned threadCount) const {
  if (!solver_) return;
  const Solver& solver = *solver_;
  solver.SolveFilled(deltas);
  if (solver.rigidVertices.empty()) return;
  std::vector<RigidMotion> motions;
  motions.reserve(solver.unanchoredParts.size());
  for (std::size_t part = 0; part < solver.unanchoredParts.size(); ++part) {
    motions.push_back(rigidMotion(part));
  }
  const unsigned threads = ThreadsFor(threadCount);
  RunInChunks(solver.rigidVertices.size(), threads, kRigidVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  deltas[solver.rigidVertices[i]] =
                      RigidDisplacement(motions[solver.rigidPartOf[i]], solver.rigidRest[i]);
                }
              });
}
