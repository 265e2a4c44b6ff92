#include "scene/obj/obj_writer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string_view>

#include "parallel/parallel_chunks.h"
#include "scene/disk_writeback.h"
#include "scene/float_text.h"

namespace palisor_scene {

namespace {

// Growing text that formatting code writes into directly.
class TextBuffer {
 public:
  // Room for at least `count` more bytes at the end; Commit says how many were written.
  char* Room(std::size_t count) {
    if (size_ + count > data_.size()) data_.resize(std::max(2 * data_.size(), size_ + count));
    return &data_[size_];
  }
  void Commit(std::size_t count) { size_ += count; }
  void Append(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    Commit(text.size());
  }
  void Append(char c) {
    *Room(1) = c;
    Commit(1);
  }
  // The line end after a text: CR LF where the text itself ends in CR, so that the reader, which
  // takes one CR before an LF as part of the line end, gets the text's own CR back.
  void EndLine(std::string_view text) {
    if (!text.empty() && text.back() == '\r') Append('\r');
    Append('\n');
  }
  void AppendLine(std::string_view text) {
    Append(text);
    EndLine(text);
  }
  void AppendInteger(int64_t value) {
    char* at = Room(24);
    Commit(static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at));
  }
  void Clear() { size_ = 0; }
  const char* data() const { return data_.data(); }
  std::size_t size() const { return size_; }
  std::string Take() {
    data_.resize(size_);
    return std::move(data_);
  }

 private:
  std::string data_;
  std::size_t size_ = 0;
};

// What one piece of the text holds: the header, an object's `o` line, a range of its vertices,
// texture coordinates, normals or faces, the statements after its last face, or the bindings.
enum class PieceKind {
  kHeader,
  kObjectLine,
  kVertices,
  kTexcoords,
  kNormals,
  kFaces,
  kTail,
  kBindings
};

struct Piece {
  PieceKind kind = PieceKind::kHeader;
  std::size_t object = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  // For faces: the first corner of face `begin`, and the object's first element of each kind
  // counted over the whole file (face indexes count across objects).
  std::size_t firstCorner = 0;
  int64_t vertexOffset = 0;
  int64_t texcoordOffset = 0;
  int64_t normalOffset = 0;
};

// About a megabyte of text per piece.
constexpr std::size_t kElementsPerPiece = 32768;

const ObjPassthrough& KeptOf(const ObjObjectView& object) {
  static const ObjPassthrough kNothing;
  return object.passthrough != nullptr ? *object.passthrough : kNothing;
}

std::size_t FaceCount(const ObjObjectView& object) {
  return object.faceSizes != nullptr ? object.faceSizes->size() : 0;
}

std::vector<Piece> Pieces(const ObjSceneView& scene) {
  std::vector<Piece> pieces;
  pieces.push_back(Piece{PieceKind::kHeader});
  int64_t vertexOffset = 0;
  int64_t texcoordOffset = 0;
  int64_t normalOffset = 0;
  const auto addRanges = [&pieces](PieceKind kind, std::size_t object, std::size_t count) {
    for (std::size_t begin = 0; begin < count; begin += kElementsPerPiece) {
      Piece piece{kind, object, begin, std::min(count, begin + kElementsPerPiece)};
      pieces.push_back(piece);
    }
  };
  for (std::size_t object = 0; object < scene.objects.size(); ++object) {
    const ObjObjectView& view = scene.objects[object];
    const ObjPassthrough& kept = KeptOf(view);
    pieces.push_back(Piece{PieceKind::kObjectLine, object});
    addRanges(PieceKind::kVertices, object, view.vertices.size());
    addRanges(PieceKind::kTexcoords, object, kept.texcoords.size());
    addRanges(PieceKind::kNormals, object, kept.normals.size());
    const std::size_t faces = FaceCount(view);
    std::size_t corner = 0;
    for (std::size_t begin = 0; begin < faces; begin += kElementsPerPiece) {
      Piece piece{PieceKind::kFaces,
                  object,
                  begin,
                  std::min(faces, begin + kElementsPerPiece),
                  corner,
                  vertexOffset,
                  texcoordOffset,
                  normalOffset};
      for (std::size_t face = piece.begin; face < piece.end; ++face) {
        corner += static_cast<std::size_t>((*view.faceSizes)[face]);
      }
      pieces.push_back(piece);
    }
    pieces.push_back(Piece{PieceKind::kTail, object});
    vertexOffset += static_cast<int64_t>(view.vertices.size());
    texcoordOffset += static_cast<int64_t>(kept.texcoords.size());
    normalOffset += static_cast<int64_t>(kept.normals.size());
  }
  pieces.push_back(Piece{PieceKind::kBindings});
  return pieces;
}

void FormatVertices(const ObjObjectView& object, const Piece& piece, TextBuffer& out) {
  const ObjPassthrough& kept = KeptOf(object);
  const bool hasTails = kept.vertexTails.size() == object.vertices.size();
  for (std::size_t i = piece.begin; i < piece.end; ++i) {
    const Vector3 vertex = object.vertices[i];
    char* const start = out.Room(3 * kFloatTextCapacity + 4);
    char* at = start;
    *at++ = 'v';
    for (float coordinate : {vertex.x, vertex.y, vertex.z}) {
      *at++ = ' ';
      at += FormatFloat(coordinate, at);
    }
    out.Commit(static_cast<std::size_t>(at - start));
    if (hasTails) {
      out.AppendLine(kept.vertexTails[i]);
    } else {
      out.Append('\n');
    }
  }
}

// Statements stand before the face whose index they hold; those holding the face count or more
// stand after the last face.
std::size_t FirstStatementAt(const ObjPassthrough& kept, std::size_t face) {
  return static_cast<std::size_t>(
      std::lower_bound(kept.statements.begin(), kept.statements.end(), face,
                       [](const ObjStatement& statement, std::size_t index) {
                         return statement.facesBefore < index;
                       }) -
      kept.statements.begin());
}

void FormatFaces(const ObjObjectView& object, const Piece& piece, TextBuffer& out) {
  const ObjPassthrough& kept = KeptOf(object);
  const std::vector<int32_t>& corners = *object.faceCorners;
  const std::vector<int32_t>& sizes = *object.faceSizes;
  const bool hasCornerAttributes = !kept.cornerTexcoords.empty() &&
                                   kept.cornerTexcoords.size() == corners.size() &&
                                   kept.cornerNormals.size() == corners.size();
  std::size_t statement = FirstStatementAt(kept, piece.begin);
  std::size_t corner = piece.firstCorner;
  for (std::size_t face = piece.begin; face < piece.end; ++face) {
    while (statement < kept.statements.size() && kept.statements[statement].facesBefore <= face) {
      out.AppendLine(kept.statements[statement].text);
      ++statement;
    }
    out.Append('f');
    for (int32_t k = 0; k < sizes[face]; ++k, ++corner) {
      out.Append(' ');
      out.AppendInteger(piece.vertexOffset + corners[corner] + 1);
      if (!hasCornerAttributes) continue;
      const int32_t texcoord = kept.cornerTexcoords[corner];
      const int32_t normal = kept.cornerNormals[corner];
      if (texcoord >= 0) {
        out.Append('/');
        out.AppendInteger(piece.texcoordOffset + texcoord + 1);
      }
      if (normal >= 0) {
        out.Append(texcoord >= 0 ? "/" : "//");
        out.AppendInteger(piece.normalOffset + normal + 1);
      }
    }
    out.Append('\n');
  }
}

void FormatPiece(const ObjSceneView& scene, const Piece& piece, TextBuffer& out) {
  switch (piece.kind) {
    case PieceKind::kHeader:
      if (scene.header != nullptr) {
        for (const std::string& line : *scene.header) out.AppendLine(line);
      }
      return;
    case PieceKind::kBindings:
      for (const SceneBinding& binding : scene.bindings) {
        out.Append(kBindingComment);
        out.Append(' ');
        out.AppendInteger(binding.base + 1);
        out.Append(' ');
        out.AppendInteger(binding.target + 1);
        out.Append('\n');
      }
      return;
    default:
      break;
  }
  const ObjObjectView& object = scene.objects[piece.object];
  const ObjPassthrough& kept = KeptOf(object);
  switch (piece.kind) {
    case PieceKind::kObjectLine:
      out.Append("o ");
      out.AppendLine(*object.name);
      return;
    case PieceKind::kVertices:
      FormatVertices(object, piece, out);
      return;
    case PieceKind::kTexcoords:
      for (std::size_t i = piece.begin; i < piece.end; ++i) out.AppendLine(kept.texcoords[i]);
      return;
    case PieceKind::kNormals:
      for (std::size_t i = piece.begin; i < piece.end; ++i) out.AppendLine(kept.normals[i]);
      return;
    case PieceKind::kFaces:
      FormatFaces(object, piece, out);
      return;
    case PieceKind::kTail:
      for (std::size_t k = FirstStatementAt(kept, FaceCount(object)); k < kept.statements.size();
           ++k) {
        out.AppendLine(kept.statements[k].text);
      }
      return;
    default:
      return;
  }
}

// Hands the formatted pieces to the file in their order, whichever thread formatted them.
class OrderedOutput {
 public:
  explicit OrderedOutput(std::FILE* file) : file_(file) {}

  // Waits for piece `index`'s turn and writes it. False once writing has stopped.
  bool Write(std::size_t index, const TextBuffer& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    turnTaken_.wait(lock, [&] { return turn_ == index || stopped_; });
    if (stopped_) return false;
    // Only the holder of the turn writes, so the file needs no lock meanwhile.
    lock.unlock();
    const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
    const int error = errno;
    if (written) StartWriteBack(text.size());
    lock.lock();
    if (!written) {
      error_ = error != 0 ? error : EIO;
      stopped_ = true;
    }
    ++turn_;
    turnTaken_.notify_all();
    return written;
  }

  // Stops every writer, for a thread that cannot go on.
  void Stop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    turnTaken_.notify_all();
  }

  bool stopped() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
  }
  int error() const { return error_; }

 private:
  // Has the system start putting what was written so far on disk, a large part at a time, so
  // that flushing the file at the end has little left to do.
  void StartWriteBack(std::size_t count) {
    constexpr std::size_t kWriteBackBytes = std::size_t{32} << 20;
    pending_ += count;
    if (pending_ < kWriteBackBytes) return;
    StartWriteback(file_, started_, pending_);
    started_ += pending_;
    pending_ = 0;
  }

  std::FILE* file_;
  // Bytes whose write-back has been started, and bytes written since.
  std::size_t started_ = 0;
  std::size_t pending_ = 0;
  std::mutex mutex_;
  std::condition_variable turnTaken_;
  std::size_t turn_ = 0;
  bool stopped_ = false;
  int error_ = 0;
};

}  // namespace

ObjSceneView ViewOf(const Scene& scene) {
  ObjSceneView view;
  view.header = &scene.header;
  for (const SceneObject& object : scene.objects) {
    view.objects.push_back(ObjObjectView{&object.name, PointSpan(object.vertices),
                                         &object.faceCorners, &object.faceSizes,
                                         object.passthrough.get()});
  }
  view.bindings = scene.bindings;
  return view;
}

std::string WriteObjText(const Scene& scene) {
  const ObjSceneView view = ViewOf(scene);
  TextBuffer out;
  for (const Piece& piece : Pieces(view)) FormatPiece(view, piece, out);
  return out.Take();
}

int WriteObj(const ObjSceneView& scene, std::FILE* file, unsigned threadCount) {
  const std::vector<Piece> pieces = Pieces(scene);
  std::atomic<std::size_t> next{0};
  OrderedOutput output(file);
  RunOnThreads(std::max(1u, threadCount), [&] {
    TextBuffer text;
    while (!output.stopped()) {
      const std::size_t index = next++;
      if (index >= pieces.size()) return;
      text.Clear();
      try {
        FormatPiece(scene, pieces[index], text);
      } catch (...) {
        output.Stop();
        throw;
      }
      if (!output.Write(index, text)) return;
    }
  });
  return output.error();
}

}  // namespace palisor_scene
