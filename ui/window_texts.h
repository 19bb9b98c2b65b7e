#pragma once

#include <string_view>

// The window's own captions, beside the engine's texts in ui_texts.h and
// written the same way.
namespace pardovane::texts {

inline constexpr std::u16string_view kEditButton = u"チェックするファイルの編集";
inline constexpr std::u16string_view kCheckButton = u"チェック";

}  // namespace pardovane::texts
