// The vertex walks of correspondence and applying: over an object's used vertices (those whose
// reference count is above 0, that is, those some face uses), and the vertex selection that
// restricts them.
#pragma once

#include <cstdint>

#include "host/cmq_object.h"
#include "host/host_api.h"

// for (int32_t vertex : UsedVertexRange(object)) visits the used vertices in increasing order. The
// end is the object's vertex count, asked of the host afresh at every comparison, and every step
// asks the host for the reference counts it passes.
class UsedVertexRange {
 public:
  struct End {};

  class Iterator {
   public:
    Iterator(const cmq::CMQObject& object, int32_t index);

    int32_t operator*() const { return index_; }
    // On to the next higher used vertex, or to the end.
    Iterator& operator++();
    bool operator!=(End) const { return index_ < VertexCount(); }

   private:
    int32_t VertexCount() const;
    // Moves forward from the current index to the first used vertex, or to the end.
    void SkipUnused();

    cmq::CMQObject object_;
    int32_t index_;
  };

  explicit UsedVertexRange(const cmq::CMQObject& object) : object_(object) {}

  Iterator begin() const { return Iterator(object_, 0); }
  End end() const { return End{}; }

 private:
  cmq::CMQObject object_;
};

// Whether a vertex of an object is selected, as the host keeps the selection per document.
// Asks the document for the object's index afresh, then for the vertex's selection. An object
// that the document does not know has no selected vertex.
bool IsVertexSelected(MQDocument document, MQObject object, int32_t vertex);
