#include "scene_run/dialog_user.h"

#include <cstddef>
#include <utility>

#include "host_imitation/log_format.h"
#include "scene_run/input_error.h"
#include "scene_run/name_text.h"
#include "tool/dialog_labels.h"

namespace palisor_run {

namespace {

using host_imitation::ModalDialog;

using namespace dialog_labels;

int32_t CheckedMode(const ModalDialog& dialog) {
  for (int32_t mode = 0; mode < 3; ++mode) {
    if (dialog.IsChecked("radiobutton", kModes[mode])) return mode;
  }
  return -1;
}

std::string ModeName(int32_t mode) {
  return mode >= 0 && mode < 3 ? ListingModeName(static_cast<ListingMode>(mode)) : "unknown";
}

void SetCheckBox(ModalDialog& dialog, const char16_t* text, bool checked) {
  if (dialog.IsChecked("checkbox", text) != checked) dialog.SetChecked(text, checked);
}

void ApplyTickChange(ModalDialog& dialog, const TickChange& change, int32_t mode) {
  const std::optional<std::u16string> shown = Utf8ToUtf16(change.name);
  const char* option = change.tick ? "--tick" : "--untick";
  if (!shown) {
    throw InputError(std::string(option) + ": '" + change.name +
                     "' is not UTF-8 text, so the dialog cannot show it");
  }
  const std::vector<std::u16string> items = dialog.ItemTexts();
  bool found = false;
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (items[index] != *shown) continue;
    dialog.TickItem(static_cast<int32_t>(index), change.tick);
    found = true;
  }
  if (!found) {
    std::string listed;
    for (const std::u16string& item : items) {
      listed += (listed.empty() ? "" : ", ") + ("'" + host_imitation::ToUtf8(item) + "'");
    }
    throw InputError(std::string(option) + ": '" + change.name + "' is not a candidate of the " +
                     ModeName(mode) + " listing (" +
                     (listed.empty() ? std::string("it lists none") : "it lists " + listed) + ")");
  }
}

void Answer(ModalDialog& dialog, const SceneRunOptions& options, DialogRecord& record,
            const std::function<void()>& beforeOk) {
  record.source = dialog.EditBeside(u"Source").text;
  record.destinations = dialog.EditBeside(u"Destination").text;
  record.openingMode = CheckedMode(dialog);
  record.finalMode = record.openingMode;
  if (options.mode) {
    const auto mode = static_cast<int32_t>(*options.mode);
    if (mode != record.openingMode) dialog.UseRadioButton(kModes[mode]);
    record.finalMode = mode;
  }
  if (options.tickEverything) {
    dialog.Press(kSelectAll);
    if (!*options.tickEverything) dialog.Press(kInvert);
  }
  for (const TickChange& change : options.tickChanges) {
    ApplyTickChange(dialog, change, record.finalMode);
  }
  SetCheckBox(dialog, kSelectedOnly, options.selectedVerticesOnly);
  SetCheckBox(dialog, kBackup, !options.noBackup);

  const std::vector<std::u16string> items = dialog.ItemTexts();
  std::vector<bool> ticked(items.size(), false);
  for (int32_t index : dialog.SelectedItems()) ticked[static_cast<std::size_t>(index)] = true;
  for (std::size_t index = 0; index < items.size(); ++index) {
    record.candidates.push_back(DialogCandidate{items[index], ticked[index]});
  }

  if (options.list || options.cancel) {
    dialog.Press(kCancel);
    return;
  }
  if (beforeOk) beforeOk();
  record.confirmed = true;
  dialog.Press(kOk);
}

}  // namespace

host_imitation::ScriptedUser AnswerDialog(const SceneRunOptions& options, DialogRecord& record,
                                          std::function<void()> beforeOk) {
  return [options, &record, beforeOk = std::move(beforeOk)](ModalDialog& dialog) {
    if (record.shown) {
      // One dialog per run; anything more is not the tool's dialog.
      record.dialogError = "the plug-in opened a second dialog";
      dialog.Close(0);
      return;
    }
    record.shown = true;
    try {
      Answer(dialog, options, record, beforeOk);
    } catch (const InputError& error) {
      record.inputError = error.what();
    } catch (const host_imitation::ScriptedUserError& error) {
      record.dialogError = error.what();
    }
    if (!dialog.ended()) {
      record.confirmed = false;
      dialog.Close(0);
    }
  };
}

}  // namespace palisor_run
