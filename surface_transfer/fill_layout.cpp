#include "surface_transfer/fill_layout.h"

#include <algorithm>

namespace {

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
  std::vector<uint32_t> localOf;  // per mesh vertex: its place in `vertices`, or kNoIndex
  std::vector<std::size_t> offsets;
  std::vector<uint32_t> neighbours;  // mesh vertices, increasing for each vertex
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
  graph.localOf.assign(mesh.vertexCount, kNoIndex);
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
    graph.neighbours.push_back(static_cast<uint32_t>(edge & kNoIndex));
  }
  for (std::size_t i = 0; i < graph.vertices.size(); ++i) graph.offsets[i + 1] += graph.offsets[i];
  return graph;
}

// Splits the vertices to fill into the connected parts of the graph they span; a part touching a
// known vertex is anchored (its vertices get a column, numbered later: 0 for now), any other is a
// whole connected part of the mesh with no known vertex.
void SplitParts(const NearGraph& graph, const std::vector<uint8_t>& roles, FillLayout& layout,
                std::vector<uint32_t>& columnOf) {
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
    if (anchored) {
      for (const uint32_t vertex : members) columnOf[vertex] = 0;
    } else {
      std::sort(members.begin(), members.end());
      layout.unanchoredParts.push_back(members);
    }
  }
}

// Columns go to the anchored vertices to fill in increasing order, frame places to the known
// vertices beside them.
void NumberColumnsAndFrames(const NearGraph& graph, const std::vector<uint8_t>& roles,
                            FillLayout& layout, std::vector<uint32_t>& columnOf,
                            std::vector<uint32_t>& frameOf) {
  for (const uint32_t vertex : graph.vertices) {
    if (columnOf[vertex] == kNoIndex) continue;
    columnOf[vertex] = static_cast<uint32_t>(layout.filledVertices.size());
    layout.filledVertices.push_back(vertex);
  }
  for (std::size_t local = 0; local < graph.vertices.size(); ++local) {
    const uint32_t vertex = graph.vertices[local];
    if ((roles[vertex] & kKnown) == 0) continue;
    for (std::size_t e = graph.offsets[local]; e < graph.offsets[local + 1]; ++e) {
      if (columnOf[graph.neighbours[e]] == kNoIndex) continue;
      frameOf[vertex] = static_cast<uint32_t>(layout.frameVertices.size());
      layout.frameVertices.push_back(vertex);
      break;
    }
  }
}

// One entry of a row, on the vertex `vertex`.
void AddEntry(FillLayout& layout, uint32_t vertex, double coefficient,
              const std::vector<uint32_t>& columnOf, const std::vector<uint32_t>& frameOf) {
  if (columnOf[vertex] != kNoIndex) {
    layout.unknownEntries.push_back({columnOf[vertex], coefficient});
  } else {
    layout.knownEntries.push_back({vertex, frameOf[vertex], coefficient});
  }
}

// The rows of the vertices to fill and of the frame vertices, in increasing vertex order, with the
// Laplacians of their rest positions (sums of offsets from the row's vertex, in doubles).
void CollectRows(const TriangleMesh& mesh, const NearGraph& graph,
                 const std::vector<uint32_t>& columnOf, const std::vector<uint32_t>& frameOf,
                 FillLayout& layout) {
  for (std::size_t local = 0; local < graph.vertices.size(); ++local) {
    const uint32_t vertex = graph.vertices[local];
    if (columnOf[vertex] == kNoIndex && frameOf[vertex] == kNoIndex) continue;
    const std::size_t begin = graph.offsets[local], end = graph.offsets[local + 1];
    const double degree = static_cast<double>(end - begin);
    FillRow row{1.0 / degree,
                {0.0, 0.0, 0.0},
                layout.unknownEntries.size(),
                0,
                layout.knownEntries.size(),
                0,
                columnOf[vertex],
                frameOf[vertex]};
    AddEntry(layout, vertex, -degree, columnOf, frameOf);
    const Vector3& at = mesh.positions[vertex];
    for (std::size_t e = begin; e < end; ++e) {
      const uint32_t neighbour = graph.neighbours[e];
      AddEntry(layout, neighbour, 1.0, columnOf, frameOf);
      const Vector3& p = mesh.positions[neighbour];
      row.restLaplacian[0] += static_cast<double>(p.x) - static_cast<double>(at.x);
      row.restLaplacian[1] += static_cast<double>(p.y) - static_cast<double>(at.y);
      row.restLaplacian[2] += static_cast<double>(p.z) - static_cast<double>(at.z);
    }
    row.unknownEnd = layout.unknownEntries.size();
    row.knownEnd = layout.knownEntries.size();
    layout.rows.push_back(row);
  }
}

}  // namespace

bool LayOutFill(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
                FillLayout* layout, std::string* error) {
  if (mesh.vertexCount >= kNoIndex) {
    *error = "too many vertices for the smooth fill";
    return false;
  }
  if (!CornersInRange(mesh)) {
    *error = "a triangle's corner is out of the mesh's range";
    return false;
  }
  const std::vector<uint8_t> roles = Roles(mesh, known, moving);
  const NearGraph graph = BuildNearGraph(mesh, roles);
  std::vector<uint32_t> columnOf(mesh.vertexCount, kNoIndex);
  std::vector<uint32_t> frameOf(mesh.vertexCount, kNoIndex);
  SplitParts(graph, roles, *layout, columnOf);
  NumberColumnsAndFrames(graph, roles, *layout, columnOf, frameOf);
  CollectRows(mesh, graph, columnOf, frameOf, *layout);
  return true;
}
