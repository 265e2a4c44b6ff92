// The imitated host's widget service as a plug-in meets it: how it answers requests, what it
// refuses as a real host would, and what it records.
#include "host/key_value.h"
#include "widget_test_fixture.h"

namespace {

using host_imitation::HostCall;
using host_imitation::HostWidget;
using host_imitation::WidgetService;

int32_t Request(int32_t widget, WidgetOp operation, std::vector<MQKeyValuePair> values) {
  values.push_back(mq::kEndOfPairs);
  return SendWidgetRequest(widget, operation, values.data());
}

int32_t CreateWidget(const char* kind) {
  int32_t id = 0;
  Request(0, WidgetOp::Create, {mq::Pair("type", kind), mq::Pair("id", &id)});
  return id;
}

class WidgetServiceTest : public WidgetTest {
 protected:
  // The misuse noted so far, then a clean host for the rest of the test.
  std::vector<std::string> TakeMisuse() {
    std::vector<std::string> noted = host.misuse();
    ForgetMisuse();
    return noted;
  }
};

TEST_F(WidgetServiceTest, CreationGivesFreshIdsThatAreNeverReused) {
  const int32_t first = CreateWidget("button");
  const int32_t second = CreateWidget("listbox");
  EXPECT_NE(first, 0);
  EXPECT_NE(second, first);
  EXPECT_NE(first, WidgetService::kMainWindowId);
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  SendWidgetRequest(first, WidgetOp::Delete, none);
  EXPECT_FALSE(service().IsLive(first));
  EXPECT_EQ(service().FindEvenDeleted(first)->kind, "button");
  const int32_t third = CreateWidget("button");
  EXPECT_NE(third, first);
  SendWidgetRequest(second, WidgetOp::Delete, none);
  SendWidgetRequest(third, WidgetOp::Delete, none);
  EXPECT_EQ(service().LiveWidgets().size(), 1u);
}

TEST_F(WidgetServiceTest, RequestsOnIdZeroAreIgnoredSilently) {
  bool checked = true;
  int32_t child = CreateWidget("button");
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  EXPECT_EQ(Request(0, WidgetOp::Set, {mq::Pair("checked", &checked)}), 0);
  EXPECT_EQ(Request(0, WidgetOp::Get, {mq::Pair("checked", &checked)}), 0);
  EXPECT_TRUE(checked);  // untouched
  EXPECT_EQ(Request(0, WidgetOp::AddChild, {mq::Pair("child", &child)}), 0);
  EXPECT_EQ(SendWidgetRequest(0, WidgetOp::Delete, none), 0);
  EXPECT_EQ(service().Find(child)->parent, 0);
  SendWidgetRequest(child, WidgetOp::Delete, none);
}

TEST_F(WidgetServiceTest, RequestsOnDeletedOrUnknownIdsAreMisuse) {
  const int32_t button = CreateWidget("button");
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  SendWidgetRequest(button, WidgetOp::Delete, none);
  bool flag = true;
  Request(button, WidgetOp::Set, {mq::Pair("default", &flag)});
  SendWidgetRequest(button, WidgetOp::Delete, none);
  Request(77777, WidgetOp::Get, {mq::Pair("enabled", &flag)});
  const std::vector<std::string> noted = TakeMisuse();
  ASSERT_EQ(noted.size(), 3u);
  EXPECT_NE(noted[0].find("Set on deleted widget"), std::string::npos) << noted[0];
  EXPECT_NE(noted[1].find("Delete on deleted widget"), std::string::npos) << noted[1];
  EXPECT_NE(noted[2].find("Get on unknown widget 77777"), std::string::npos) << noted[2];
}

TEST_F(WidgetServiceTest, WhatARealHostWouldRefuseIsMisuse) {
  const int32_t button = CreateWidget("button");
  const int32_t list = CreateWidget("listbox");
  bool flag = true;
  int32_t index = 0;
  int32_t child = button;
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  Request(button, WidgetOp::Set, {mq::Pair("readonly", &flag)});
  Request(list, WidgetOp::Set, {mq::Pair("index", &index), mq::Pair("item.selected", &flag)});
  Request(list, WidgetOp::Set, {mq::Pair("colour", &flag)});
  Request(button, WidgetOp::AddChild, {mq::Pair("child", &child)});
  SendWidgetRequest(WidgetService::kMainWindowId, WidgetOp::Delete, none);
  Request(0, WidgetOp::Create, {mq::Pair("type", "slider"), mq::Pair("id", &index)});
  Request(list, WidgetOp::Call, {mq::Pair("sort", nullptr)});
  const std::vector<std::string> noted = TakeMisuse();
  ASSERT_EQ(noted.size(), 7u);
  EXPECT_NE(noted[0].find("\"readonly\" is not a property of a button"), std::string::npos);
  EXPECT_NE(noted[1].find("item 0 out of range (0 items)"), std::string::npos) << noted[1];
  EXPECT_NE(noted[2].find("unknown property \"colour\""), std::string::npos) << noted[2];
  EXPECT_NE(noted[3].find("AddChild to a button"), std::string::npos) << noted[3];
  EXPECT_NE(noted[4].find("main window"), std::string::npos) << noted[4];
  EXPECT_NE(noted[5].find("unknown kind slider"), std::string::npos) << noted[5];
  EXPECT_NE(noted[6].find("\"sort\""), std::string::npos) << noted[6];
}

TEST_F(WidgetServiceTest, ListItemsAreAddedClearedAndMadeVisible) {
  const int32_t list = CreateWidget("listbox");
  int32_t results[2] = {-1, -1};
  Request(list, WidgetOp::Call,
          {mq::Pair("additem", nullptr), mq::Pair("text", u"一"), mq::Pair("result", &results[0])});
  Request(list, WidgetOp::Call,
          {mq::Pair("additem", nullptr), mq::Pair("text", u"二"), mq::Pair("result", &results[1])});
  EXPECT_EQ(results[0], 0);
  EXPECT_EQ(results[1], 1);
  int32_t index = 1;
  Request(list, WidgetOp::Call, {mq::Pair("makeitemvisible", nullptr), mq::Pair("index", &index)});
  EXPECT_EQ(service().Find(list)->ItemTexts(), (std::vector<std::u16string>{u"一", u"二"}));
  EXPECT_EQ(service().Find(list)->visibleItem, 1);
  Request(list, WidgetOp::Call, {mq::Pair("clearitems", nullptr)});
  EXPECT_TRUE(service().Find(list)->items.empty());
  // Index 0 of an empty list may be made visible: it shows nothing.
  index = 0;
  Request(list, WidgetOp::Call, {mq::Pair("makeitemvisible", nullptr), mq::Pair("index", &index)});
  EXPECT_EQ(service().Find(list)->visibleItem, -1);
  const HostCall call = WidgetCalls().back();
  EXPECT_EQ(call.Keys(), (std::vector<std::string>{"makeitemvisible", "index"}));
  EXPECT_EQ(call.Value("makeitemvisible"), "null");
}

TEST_F(WidgetServiceTest, MessageBoxesAreRecordedAndAnswered) {
  const int32_t parent = WidgetService::kMainWindowId;
  int32_t result = 0;
  const std::vector<MQKeyValuePair> box = {
      mq::Pair("type", "messagebox"), mq::Pair("messagetype", "warning"),
      mq::Pair("parent", &parent),    mq::Pair("message", u"選択してください"),
      mq::Pair("title", u"エラー"),   mq::Pair("result", &result)};
  Request(0, WidgetOp::Show, box);
  EXPECT_EQ(result, 1);
  service().SetMessageBoxAnswer(2);
  result = 0;
  Request(0, WidgetOp::Show, box);
  EXPECT_EQ(result, 2);
  ASSERT_EQ(service().messageBoxes().size(), 2u);
  const host_imitation::MessageBoxRecord& record = service().messageBoxes()[0];
  EXPECT_EQ(record.messageType, "warning");
  EXPECT_EQ(record.parent, parent);
  EXPECT_EQ(record.message, u"選択してください");
  EXPECT_EQ(record.title, u"エラー");
  const HostCall call = WidgetCalls().back();
  EXPECT_EQ(call.Keys(), (std::vector<std::string>{"type", "messagetype", "parent", "message",
                                                   "title", "result"}));
  EXPECT_EQ(call.Value("parent"), "1");
  EXPECT_EQ(call.Value("message"), "選択してください");
  EXPECT_EQ(call.Value("result"), "0");
}

TEST_F(WidgetServiceTest, PriorRegistrationsAreCalledFirst) {
  const int32_t button = CreateWidget("button");
  int markers[3] = {};
  auto proc = [](void*, MQKeyValuePair*, void*) -> int32_t { return 0; };
  MQWidgetEventProc procedure = proc;
  for (int i = 0; i < 3; ++i) {
    bool prior = i == 2;
    Request(button, WidgetOp::AddEvent,
            {mq::Pair("type", "execute"), mq::Pair("proc", reinterpret_cast<void*>(procedure)),
             mq::Pair("pointer", &markers[i]), mq::Pair("function", nullptr),
             mq::Pair("prior", &prior)});
  }
  const auto registrations = service().Registrations(button, "execute");
  ASSERT_EQ(registrations.size(), 3u);
  EXPECT_EQ(registrations[0].pointer, &markers[2]);
  EXPECT_TRUE(registrations[0].prior);
  EXPECT_EQ(registrations[1].pointer, &markers[0]);
  EXPECT_EQ(registrations[2].pointer, &markers[1]);
  EXPECT_TRUE(service().Registrations(button, "timer").empty());
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  SendWidgetRequest(button, WidgetOp::Delete, none);
}

TEST_F(WidgetServiceTest, ValuesAreLoggedInTheirOwnForms) {
  const int32_t frame = CreateWidget("frame");
  const double rate = 0.1;
  const int32_t columns = 2;
  Request(frame, WidgetOp::Set, {mq::Pair("fillrate_x", &rate)});
  Request(frame, WidgetOp::Set, {mq::Pair("matrixcolumn", &columns)});
  const std::vector<HostCall> calls = WidgetCalls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2].arguments,
            (std::vector<std::string>{std::to_string(frame), "Set"}));
  EXPECT_EQ(calls[calls.size() - 2].Value("fillrate_x"), "0.10000000000000001");
  EXPECT_EQ(calls.back().Value("matrixcolumn"), "2");
  EXPECT_EQ(service().Find(frame)->matrixColumn, 2);
  MQKeyValuePair none[] = {mq::kEndOfPairs};
  SendWidgetRequest(frame, WidgetOp::Delete, none);
  EXPECT_TRUE(WidgetCalls().back().values.empty());
}

TEST_F(WidgetServiceTest, ResetLeavesOnlyTheMainWindow) {
  CreateWidget("dialog");
  service().SetUser([](host_imitation::ModalDialog& user) { user.Close(3); });
  service().RefuseCreations([](const std::string&) { return true; });
  mainWindow.reset();
  host.Reset();
  EXPECT_EQ(service().LiveWidgets().size(), 1u);
  EXPECT_NE(CreateWidget("dialog"), 0);
  MQDialog dialog(*std::make_unique<MQWindow>(QueryMainWindowId()));
  EXPECT_EQ(ShowModal(dialog), 0);
  EXPECT_TRUE(service().messageBoxes().empty());
}

}  // namespace
