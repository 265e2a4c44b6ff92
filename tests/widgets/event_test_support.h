// Windows and closures for event tests: a dialog with member handlers that record their calls,
// and a closure that hands the event's parameter record to a test.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "widgets/event_closure.h"
#include "widgets/window.h"

// A dialog with a button and two handlers that record who called them.
class HandlerDialog : public MQDialog {
 public:
  struct Call {
    MQWidgetBase* sender;
    void* context;
  };

  explicit HandlerDialog(MQWindowBase& owner) : MQDialog(owner) {
    column = NewVerticalFrame(this);
    button = NewButton(column, u"Run");
  }

  int32_t OnFirst(MQWidgetBase* sender, void* context) {
    first.push_back({sender, context});
    return 7;
  }
  int32_t OnSecond(MQWidgetBase* sender, void* context) {
    second.push_back({sender, context});
    return 8;
  }
  int32_t OnThrow(MQWidgetBase*, void*) { throw std::bad_alloc(); }

  MQFrame* column = nullptr;
  MQButton* button = nullptr;
  std::vector<Call> first;
  std::vector<Call> second;
};

// A closure whose handler takes the event's parameter record.
class RecordingClosure final : public MQWidgetEventClosureBase {
 public:
  using Body = std::function<int32_t(MQWidgetBase* sender, void* parameters)>;

  explicit RecordingClosure(Body body) : body_(std::move(body)) {}

  int32_t Invoke(MQWidgetBase* sender, void* /*context*/, void* parameters) override {
    ++calls;
    return body_(sender, parameters);
  }
  bool SameAs(const MQWidgetEventClosureBase& other) const override { return &other == this; }
  void* Target() const override { return nullptr; }
  void* FunctionId() const override { return nullptr; }

  int calls = 0;

 private:
  Body body_;
};
