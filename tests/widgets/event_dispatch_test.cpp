// The event procedure: which closure an event reaches, with which sender, and when nothing is
// called at all.
#include <cstring>

#include "event_test_support.h"
#include "host/key_value.h"
#include "widget_test_fixture.h"
#include "widgets/widget_event_dispatch.h"

namespace {

using host_imitation::EventRegistration;
using host_imitation::HostCall;

class EventDispatchTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    dialog = std::make_unique<HandlerDialog>(*mainWindow);
  }
  void TearDown() override {
    dialog.reset();
    WidgetTest::TearDown();
  }

  std::vector<EventRegistration> ButtonRegistrations() {
    return service().Registrations(dialog->button->id, "execute");
  }
  // An event of `type` naming the button as target and `senderId` as sender.
  int32_t Send(const EventRegistration& registration, const char* type, int32_t senderId) {
    int32_t target = dialog->button->id;
    MQKeyValuePair values[] = {mq::Pair("type", type), mq::Pair("target_id", &target),
                               mq::Pair("sender_id", &senderId), mq::kEndOfPairs};
    return service().CallProcedure(registration, values);
  }

  std::unique_ptr<HandlerDialog> dialog;
};

TEST_F(EventDispatchTest, APressReachesTheHandlerWithTheButtonAsSender) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  EXPECT_EQ(service().DeliverEvent(dialog->button->id, "execute"), 7);
  ASSERT_EQ(dialog->first.size(), 1u);
  EXPECT_EQ(dialog->first[0].sender, dialog->button);
  EXPECT_EQ(dialog->first[0].context, service().eventContext());
}

TEST_F(EventDispatchTest, RegistrationSendsTheProcedureTheClosureAndTheHandlerIdentity) {
  const std::size_t mark = LogMark();
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  const std::vector<HostCall> calls = WidgetCallsSince(mark);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(Operation(calls[0]), "AddEvent");
  EXPECT_EQ(Widget(calls[0]), dialog->button->id);
  EXPECT_EQ(calls[0].Keys(),
            (std::vector<std::string>{"type", "proc", "pointer", "function", "prior"}));
  EXPECT_EQ(calls[0].Value("type"), "execute");
  EXPECT_EQ(calls[0].Value("prior"), "false");

  ASSERT_EQ(dialog->button->closures.size(), 1u);
  const auto& closure = dialog->button->closures[0];
  const EventRegistration registration = ButtonRegistrations().at(0);
  EXPECT_EQ(registration.proc, &DispatchWidgetEvent);
  EXPECT_EQ(registration.pointer, static_cast<void*>(closure.get()));
  EXPECT_EQ(registration.function, closure->FunctionId());
  EXPECT_NE(registration.function, nullptr);
  EXPECT_FALSE(registration.prior);
  EXPECT_EQ(closure->Target(), static_cast<void*>(dialog.get()));
}

TEST_F(EventDispatchTest, TheHandlerIdentityNamesTheMemberFunction) {
  using Closure = MQWidgetEventClosure<HandlerDialog>;
  const Closure first(dialog.get(), dialog->id, &HandlerDialog::OnFirst);
  const Closure again(dialog.get(), dialog->id, &HandlerDialog::OnFirst);
  const Closure second(dialog.get(), dialog->id, &HandlerDialog::OnSecond);
  EXPECT_EQ(first.FunctionId(), again.FunctionId());
  EXPECT_NE(first.FunctionId(), second.FunctionId());
  EXPECT_TRUE(first.SameAs(again));
  EXPECT_FALSE(first.SameAs(second));
  HandlerDialog other(*mainWindow);
  EXPECT_FALSE(first.SameAs(Closure(&other, other.id, &HandlerDialog::OnFirst)));
  const RecordingClosure foreign([](MQWidgetBase*, void*) { return 0; });
  EXPECT_FALSE(first.SameAs(foreign));
}

TEST_F(EventDispatchTest, AnUnregisteredSenderReachesTheHandlerAsNull) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  const EventRegistration registration = ButtonRegistrations().at(0);
  EXPECT_EQ(Send(registration, "execute", 424242), 7);
  EXPECT_EQ(Send(registration, "execute", 0), 7);
  EXPECT_EQ(Send(registration, "execute", dialog->column->id), 7);
  ASSERT_EQ(dialog->first.size(), 3u);
  EXPECT_EQ(dialog->first[0].sender, nullptr);
  EXPECT_EQ(dialog->first[1].sender, nullptr);
  EXPECT_EQ(dialog->first[2].sender, dialog->column);
}

TEST_F(EventDispatchTest, ThePointerChoosesBetweenTwoRegistrationsOnOneWidget) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnSecond);
  const std::vector<EventRegistration> registrations = ButtonRegistrations();
  ASSERT_EQ(registrations.size(), 2u);

  EXPECT_EQ(Send(registrations[1], "execute", dialog->button->id), 8);
  EXPECT_TRUE(dialog->first.empty());
  EXPECT_EQ(dialog->second.size(), 1u);
  EXPECT_EQ(Send(registrations[0], "execute", dialog->button->id), 7);
  EXPECT_EQ(dialog->first.size(), 1u);
  EXPECT_EQ(dialog->second.size(), 1u);
}

TEST_F(EventDispatchTest, ATimerFiresOnceAndLeavesTheOtherClosuresInOrder) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnSecond);
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  const auto firstClosure = dialog->button->closures[0];
  const auto lastClosure = dialog->button->closures[2];
  const EventRegistration timer = ButtonRegistrations().at(1);

  EXPECT_EQ(Send(timer, "timer", 0), 8);
  EXPECT_EQ(Send(timer, "timer", 0), 0);
  EXPECT_EQ(dialog->second.size(), 1u);
  EXPECT_TRUE(dialog->first.empty());
  ASSERT_EQ(dialog->button->closures.size(), 2u);
  EXPECT_EQ(dialog->button->closures[0], firstClosure);
  EXPECT_EQ(dialog->button->closures[1], lastClosure);
}

TEST_F(EventDispatchTest, ALateEventAfterTheDialogIsDestroyedCallsNothing) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  const EventRegistration registration = ButtonRegistrations().at(0);
  const int32_t buttonId = dialog->button->id;
  dialog.reset();

  int32_t target = buttonId;
  MQKeyValuePair values[] = {mq::Pair("type", "execute"), mq::Pair("target_id", &target),
                             mq::Pair("sender_id", &target), mq::kEndOfPairs};
  EXPECT_EQ(service().CallProcedure(registration, values), 0);
}

TEST_F(EventDispatchTest, AClosureWhoseTargetWindowIsGoneCallsNothing) {
  // The handler belongs to one dialog, the button to another that outlives it.
  auto target = std::make_unique<HandlerDialog>(*mainWindow);
  dialog->button->AddExecuteHandler(target.get(), &HandlerDialog::OnFirst);
  EXPECT_EQ(service().DeliverEvent(dialog->button->id, "execute"), 7);
  EXPECT_EQ(target->first.size(), 1u);
  target.reset();
  EXPECT_EQ(service().DeliverEvent(dialog->button->id, "execute"), 0);
}

TEST_F(EventDispatchTest, AnEventNamingNoTypeNoWrapperOrNoLiveClosureCallsNothing) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnFirst);
  EventRegistration registration = ButtonRegistrations().at(0);
  int32_t target = dialog->button->id;
  int32_t stranger = 999999;
  MQKeyValuePair noType[] = {mq::Pair("target_id", &target), mq::kEndOfPairs};
  MQKeyValuePair noTarget[] = {mq::Pair("type", "execute"), mq::kEndOfPairs};
  MQKeyValuePair unknownTarget[] = {mq::Pair("type", "execute"), mq::Pair("target_id", &stranger),
                                    mq::kEndOfPairs};
  MQKeyValuePair wrongWidget[] = {mq::Pair("type", "execute"),
                                  mq::Pair("target_id", &dialog->column->id), mq::kEndOfPairs};
  EXPECT_EQ(service().CallProcedure(registration, noType), 0);
  EXPECT_EQ(service().CallProcedure(registration, noTarget), 0);
  EXPECT_EQ(service().CallProcedure(registration, unknownTarget), 0);
  EXPECT_EQ(service().CallProcedure(registration, wrongWidget), 0);
  EXPECT_EQ(service().CallProcedure(registration, nullptr), 0);
  // A pointer the button never registered is only compared, never followed.
  int notAClosure = 0;
  registration.pointer = &notAClosure;
  MQKeyValuePair execute[] = {mq::Pair("type", "execute"), mq::Pair("target_id", &target),
                              mq::kEndOfPairs};
  EXPECT_EQ(service().CallProcedure(registration, execute), 0);
  EXPECT_TRUE(dialog->first.empty());
}

TEST_F(EventDispatchTest, TheTypeIsComparedExactly) {
  void* seen = this;
  int32_t buttonState = 0x01;
  auto closure = std::make_shared<RecordingClosure>([&](MQWidgetBase*, void* parameters) {
    seen = parameters;
    return 1;
  });
  dialog->button->AddExecuteClosure(closure, false);
  const EventRegistration registration = ButtonRegistrations().at(0);
  int32_t target = dialog->button->id;
  for (const char* type : {"LeftDown", "leftdown ", "execute", "custom"}) {
    SCOPED_TRACE(type);
    MQKeyValuePair values[] = {mq::Pair("type", type), mq::Pair("target_id", &target),
                               mq::Pair("button_state", &buttonState), mq::kEndOfPairs};
    EXPECT_EQ(service().CallProcedure(registration, values), 1);
    EXPECT_EQ(seen, nullptr);  // handled by the last row: no record
  }
  EXPECT_EQ(closure->calls, 4);
}

TEST_F(EventDispatchTest, AHandlerThatThrowsReportsNothingHandled) {
  dialog->button->AddExecuteHandler(dialog.get(), &HandlerDialog::OnThrow);
  EXPECT_EQ(service().DeliverEvent(dialog->button->id, "execute"), 0);
}

TEST_F(EventDispatchTest, AHandlerMayDestroyTheWidgetWhoseEventItHandles) {
  int32_t result = 0;
  auto closure = std::make_shared<RecordingClosure>([&](MQWidgetBase* sender, void*) {
    // The dialog, the button and the button's own reference to this closure all go.
    EXPECT_EQ(sender, dialog->button);
    dialog.reset();
    return 5;
  });
  dialog->button->AddExecuteClosure(closure, false);
  std::weak_ptr<RecordingClosure> watch = closure;
  const EventRegistration registration = ButtonRegistrations().at(0);
  closure.reset();
  result = service().SendEvent(registration, "execute");
  EXPECT_EQ(result, 5);
  EXPECT_TRUE(watch.expired());
}

}  // namespace
