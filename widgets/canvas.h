// The drawing surface the host hands to a drawing event. The event procedure wraps the host's
// canvas without owning it; a wrapper that does own its canvas destroys it with MQCanvas_Value.
#pragma once

class MQCanvas {
 public:
  explicit MQCanvas(void* handle) : handle(handle) {}
  ~MQCanvas();

  MQCanvas(const MQCanvas&) = delete;
  MQCanvas& operator=(const MQCanvas&) = delete;

  void* handle = nullptr;
  bool owned = false;
};
