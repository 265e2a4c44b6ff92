// The tool's dialog: the Source and Destination names, the listing mode, the list of morph-target
// candidates with their ticks, and the two options.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "widgets/window.h"

class Palisor;

class PalisorWindow : public MQDialog {
 public:
  // Builds the whole widget tree under the host's dialog attached to `owner`, fills the list and
  // registers the handlers. The modal run is the caller's.
  PalisorWindow(MQWindowBase& owner, Palisor* tool);

  // Replaces the list's items by the candidates' names, each selected as the candidate is ticked.
  void FillTargetList();

  int32_t OnSelectAll(MQWidgetBase* sender, void* context);
  int32_t OnInvertSelection(MQWidgetBase* sender, void* context);
  // A mode radio button was used: take its mode over and list the candidates afresh.
  int32_t OnModeChanged(MQWidgetBase* sender, void* context);

  Palisor* tool;
  MQListBox* targetList = nullptr;
  std::array<MQRadioButton*, 3> modeRadios{};
  MQCheckBox* selectedOnlyCheck = nullptr;
  MQCheckBox* backupCheck = nullptr;

 private:
  void BuildNameGrid(MQFrame* grid);
  void BuildModeGroup(MQFrame* column);
  void BuildOptions(MQFrame* column);
  // Sets every item's selection to what `select` makes of its current one.
  template <typename Select>
  void ChangeEveryItem(Select&& select);
};

// Object names are narrow strings in the host's multibyte encoding; the dialog shows UTF-16. The
// UTF-16 form of `text` under the process's character-type locale, or "invalid" when the text is
// not valid multibyte text there. Converts up to the first null byte.
std::u16string MultibyteToWide(const std::string& text);
