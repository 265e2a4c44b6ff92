#include "host/cmq_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace {

using CMQObjectTest = HostFixture;

TEST_F(CMQObjectTest, EmptyHandlesAreNotValid) {
  EXPECT_FALSE(cmq::CMQObject().IsValid());
  host_imitation::HostObject& object = host.AddObject(document, "body");
  EXPECT_FALSE(cmq::CMQObject(object.handle(), nullptr).IsValid());
  EXPECT_FALSE(cmq::CMQObject(nullptr, documentHandle()).IsValid());
  EXPECT_TRUE(cmq::CMQObject(object.handle(), documentHandle()).IsValid());
}

TEST_F(CMQObjectTest, AHandleOfADeletedObjectIsNotValid) {
  host.AddObject(document, "first");
  host_imitation::HostObject& doomed = host.AddObject(document, "second");
  cmq::CMQObject handle(doomed.handle(), documentHandle());
  document.DeleteAt(1);
  EXPECT_FALSE(handle.IsValid());
}

TEST_F(CMQObjectTest, AnObjectOfAnotherDocumentIsNotValidHere) {
  host_imitation::HostDocument& other = host.NewDocument();
  host_imitation::HostObject& stranger = host.AddObject(other, "stranger");
  EXPECT_FALSE(cmq::CMQObject(stranger.handle(), documentHandle()).IsValid());
}

TEST_F(CMQObjectTest, ReadsTheNameThroughThePointerArray) {
  host_imitation::HostObject& object = host.AddObject(document, "elem:smile-face");
  EXPECT_EQ(cmq::CMQObject(object.handle(), documentHandle()).GetName(), "elem:smile-face");
  const host_imitation::HostCall call = host.log.Of("MQObj_PointerArray").back();
  EXPECT_EQ(call.arguments[1], "1301");
}

TEST_F(CMQObjectTest, ALongNameIsCutAtTheLimitItPasses) {
  host_imitation::HostObject& object = host.AddObject(document, std::string(300, 'x'));
  EXPECT_EQ(cmq::CMQObject(object.handle(), documentHandle()).GetName(), std::string(249, 'x'));
}

TEST_F(CMQObjectTest, ClearingHandlesLeavesTheDocumentAlone) {
  host.AddObject(document, "a");
  host.AddObject(document, "b");
  {
    std::vector<cmq::CMQObject> handles;
    for (int32_t i = 0; i < document.SlotCount(); ++i) {
      handles.emplace_back(document.ObjectAt(i)->handle(), documentHandle());
    }
    std::vector<cmq::CMQObject> copies = handles;
    handles.clear();
    EXPECT_EQ(copies[1].object, document.ObjectAt(1)->handle());
  }
  host.log.Clear();
  EXPECT_EQ(document.SlotCount(), 2);
  EXPECT_EQ(document.ObjectAt(0)->name, "a");
  EXPECT_FALSE(document.ObjectAt(1)->destroyed);
}

TEST_F(CMQObjectTest, DestroyingAHandleMakesNoHostCall) {
  host_imitation::HostObject& object = host.AddObject(document, "a");
  host.log.Clear();
  { cmq::CMQObject handle(object.handle(), documentHandle()); }
  EXPECT_TRUE(host.log.calls.empty());
}

}  // namespace
