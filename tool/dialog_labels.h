// The texts of the dialog's buttons, radio buttons and check boxes: the dialog shows them, and a
// scripted user of the dialog finds its widgets by them.
#pragma once

namespace dialog_labels {

// The listing modes' radio buttons, in the order of the modes.
inline constexpr const char16_t* kModes[] = {u"keynote準拠(&K)", u"同頂点数(&D)",
                                             u"モーフ設定(&A)"};
inline constexpr const char16_t* kSelectAll = u"全て選択(&Z)";
inline constexpr const char16_t* kInvert = u"選択反転(&C)";
inline constexpr const char16_t* kSelectedOnly = u"選択頂点のみモーフ反映する(&S)";
inline constexpr const char16_t* kBackup = u"バックアップエレメントを作成する(&X)";
inline constexpr const char16_t* kOk = u"OK";
inline constexpr const char16_t* kCancel = u"Cancel";

}  // namespace dialog_labels
