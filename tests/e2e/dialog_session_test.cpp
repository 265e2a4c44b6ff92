// A user at the dialog: listing modes, ticks, the list buttons, the options, OK and Cancel, and
// what the document holds afterwards.
#include <gtest/gtest.h>

#include "host_imitation/morph_feature.h"
#include "plugin_run_fixture.h"

namespace {

using namespace dialog_text;
using host_imitation::ModalDialog;

// The Source triangle "face" with three keynote targets, each moving every vertex by a power of
// two along one axis (so weighted means come out exact), a same-count object that is no target, and
// the Destination quad "body".
class DialogSessionTest : public PluginRunFixture {
 protected:
  void SetUp() override {
    PluginRunFixture::SetUp();
    face = &AddUsed("face", kFace);
    smile = &Add("elem:smile-face", Moved(kFace, {2, 0, 0}), {});
    blink = &Add("elem:blink-face", Moved(kFace, {0, 4, 0}), {});
    angry = &Add("elem:angry-face", Moved(kFace, {0, 0, 8}), {});
    Add("other", Moved(kFace, {1, 1, 1}), {});
    body = &AddUsed("body", kBody);
    blink->intValues[MQOBJECT_ATTRIBUTE_259] = 1;  // starts unticked
    Select(*face);
    Select(*body);
  }

  static std::vector<MQPoint> Moved(const std::vector<MQPoint>& points, MQPoint by) {
    std::vector<MQPoint> moved;
    for (const MQPoint& p : points) moved.push_back({p.x + by.x, p.y + by.y, p.z + by.z});
    return moved;
  }
  std::vector<std::vector<float>> Positions(const host_imitation::HostObject& object) const {
    std::vector<std::vector<float>> positions;
    for (const MQPoint& p : object.vertices) positions.push_back({p.x, p.y, p.z});
    return positions;
  }
  // Every object's name and positions, to show that nothing changed.
  std::vector<std::pair<std::string, std::vector<std::vector<float>>>> Snapshot() const {
    std::vector<std::pair<std::string, std::vector<std::vector<float>>>> snapshot;
    for (const host_imitation::HostObject* object : document.slots) {
      if (object != nullptr) snapshot.emplace_back(object->name, Positions(*object));
    }
    return snapshot;
  }

  const std::vector<MQPoint> kFace = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const std::vector<MQPoint> kBody = {{0, 0, 0}, {0.5f, 0.5f, 0}, {3, 3, 3}, {1, 0, 0}};
  host_imitation::HostObject* face = nullptr;
  host_imitation::HostObject* smile = nullptr;
  host_imitation::HostObject* blink = nullptr;
  host_imitation::HostObject* angry = nullptr;
  host_imitation::HostObject* body = nullptr;
};

TEST_F(DialogSessionTest, TheUsersChoicesShapeTheDocument) {
  Add("elem:smile-body", kBody, {});  // in the way, and not used by the run
  body->SelectVertex(0);
  body->SelectVertex(1);
  body->SelectVertex(2);

  SetUser([&](ModalDialog& dialog) {
    EXPECT_TRUE(dialog.IsChecked("radiobutton", kKeynoteMode));
    EXPECT_EQ(dialog.ItemTexts(), (std::vector<std::u16string>{
                                      u"elem:smile-face", u"elem:blink-face", u"elem:angry-face"}));
    EXPECT_EQ(dialog.SelectedItems(), (std::vector<int32_t>{0, 2}));
    dialog.Press(kInvert);
    EXPECT_EQ(dialog.SelectedItems(), (std::vector<int32_t>{1}));
    dialog.Press(kSelectAll);
    EXPECT_EQ(dialog.SelectedItems(), (std::vector<int32_t>{0, 1, 2}));

    // Another mode lists afresh: the user's ticks are gone, the presets are back.
    dialog.UseRadioButton(kVertexCountMode);
    EXPECT_FALSE(dialog.IsChecked("radiobutton", kKeynoteMode));
    EXPECT_EQ(dialog.ItemTexts(),
              (std::vector<std::u16string>{u"elem:smile-face", u"elem:blink-face",
                                           u"elem:angry-face", u"other"}));
    EXPECT_EQ(dialog.SelectedItems(), (std::vector<int32_t>{0, 2, 3}));
    dialog.TickItem(3, false);
    dialog.SetChecked(kSelectedOnly, true);
    dialog.SetChecked(kBackup, false);
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());

  // The clashing object is deleted; each clone stands right after its target.
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                                     "elem:blink-face", "elem:angry-face",
                                                     "elem:angry-body", "other", "body"}));
  // Selected vertices move by their target's displacement; vertex 3 is not selected.
  EXPECT_EQ(Positions(*Named("elem:smile-body")),
            (std::vector<std::vector<float>>{{2, 0, 0}, {2.5f, 0.5f, 0}, {5, 3, 3}, {1, 0, 0}}));
  EXPECT_EQ(Positions(*Named("elem:angry-body")),
            (std::vector<std::vector<float>>{{0, 0, 8}, {0.5f, 0.5f, 8}, {3, 3, 11}, {1, 0, 0}}));
  EXPECT_EQ(Positions(*body), Positions(*Named("body")));
  EXPECT_TRUE(host.widgets().messageBoxes().empty());
}

TEST_F(DialogSessionTest, BackupsKeepTheClashingObjectUnderAFreshName) {
  Add("elem:smile-body", {{7, 7, 7}}, {});
  SetUser([](ModalDialog& dialog) { dialog.Press(u"OK"); });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(ObjectNames(),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:smile-body",
                                      "elem:blink-face", "elem:angry-face", "elem:angry-body",
                                      "other", "body", "#elem:smile-body1"}));
  EXPECT_EQ(Positions(*Named("#elem:smile-body1")), (std::vector<std::vector<float>>{{7, 7, 7}}));
}

TEST_F(DialogSessionTest, CancelChangesNothing) {
  const auto before = Snapshot();
  SetUser([](ModalDialog& dialog) {
    dialog.Press(kSelectAll);
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(host.log.Count("MQObj_Clone") + host.log.Count("MQObj_SetName"), 0u);
}

TEST_F(DialogSessionTest, ClosingTheDialogCountsAsCancel) {
  const auto before = Snapshot();
  SetUser([](ModalDialog& dialog) { dialog.Close(0); });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DialogSessionTest, OkWithNothingTickedChangesNothing) {
  const auto before = Snapshot();
  SetUser([](ModalDialog& dialog) {
    dialog.TickItem(0, false);
    dialog.TickItem(2, false);
    EXPECT_TRUE(dialog.SelectedItems().empty());
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(host.log.Count("MQObj_SetVertex"), 0u);
}

TEST_F(DialogSessionTest, ASecondRunKeepsTheModeAndPresetsTheOptions) {
  SetUser([](ModalDialog& dialog) {
    dialog.UseRadioButton(kVertexCountMode);
    dialog.SetChecked(kSelectedOnly, true);
    dialog.SetChecked(kBackup, false);
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());

  SetUser([](ModalDialog& dialog) {
    EXPECT_TRUE(dialog.IsChecked("radiobutton", kVertexCountMode));
    EXPECT_FALSE(dialog.IsChecked("radiobutton", kKeynoteMode));
    EXPECT_EQ(dialog.ItemTexts().size(), 4u);
    EXPECT_FALSE(dialog.IsChecked("checkbox", kSelectedOnly));
    EXPECT_TRUE(dialog.IsChecked("checkbox", kBackup));
    dialog.Press(u"Cancel");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(host.widgets().modalRuns().size(), 2u);
}

TEST_F(DialogSessionTest, ListItemsBeyondTheCandidatesAreNotReadBack) {
  SetUser([&](ModalDialog& dialog) {
    // A host whose list reports more items than the plug-in put in it.
    int32_t index = -1;
    MQKeyValuePair extra[] = {{"additem", nullptr},
                              {"text", const_cast<char16_t*>(u"extra")},
                              {"result", &index},
                              {nullptr, nullptr}};
    host.widgets().Value(dialog.ListBox().id, 0x303, extra);
    ASSERT_EQ(index, 3);
    dialog.TickItem(3);
    dialog.TickItem(0, false);
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());
  // Only the third candidate stayed ticked.
  EXPECT_EQ(ObjectNames(),
            (std::vector<std::string>{"face", "elem:smile-face", "elem:blink-face",
                                      "elem:angry-face", "elem:angry-body", "other", "body"}));
}

TEST_F(DialogSessionTest, MorphFeatureModeListsItsTargetsAndBindsTheNewObjects) {
  host_imitation::MorphFeature& feature = host_imitation::InstallMorphFeature();
  host_imitation::HostDocument& elsewhere = host.NewDocument();
  feature.Bind(face->handle(), angry->handle());
  feature.Bind(face->handle(), nullptr);
  feature.Bind(face->handle(), host.AddObject(elsewhere, "foreign").handle());
  feature.Bind(face->handle(), body->handle());
  feature.Bind(face->handle(), smile->handle());

  SetUser([](ModalDialog& dialog) {
    dialog.UseRadioButton(kMorphFeatureMode);
    EXPECT_EQ(dialog.ItemTexts(),
              (std::vector<std::u16string>{u"elem:angry-face", u"elem:smile-face"}));
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());

  const auto& bound = feature.RequestedBindings();
  ASSERT_EQ(bound.size(), 2u);
  EXPECT_EQ(bound[0].first, body->handle());
  EXPECT_EQ(bound[0].second, Named("elem:angry-body")->handle());
  EXPECT_EQ(bound[1].second, Named("elem:smile-body")->handle());
}

TEST_F(DialogSessionTest, WithoutAMorphFeatureItsModeListsNothing) {
  SetUser([](ModalDialog& dialog) {
    dialog.UseRadioButton(kMorphFeatureMode);
    EXPECT_TRUE(dialog.ItemTexts().empty());
    dialog.Press(kSelectAll);
    dialog.Press(kInvert);
    dialog.Press(u"OK");
  });
  EXPECT_TRUE(RunTool());
  EXPECT_EQ(ObjectNames().size(), 6u);
}

}  // namespace
