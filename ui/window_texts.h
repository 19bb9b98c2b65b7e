#pragma once

#include <string_view>

// The window's own captions, beside the engine's texts in ui_texts.h and
// written the same way.
namespace pardovane::texts {

inline constexpr std::u16string_view kEditButton = u"チェックするファイルの編集";
inline constexpr std::u16string_view kCheckButton = u"チェック";

// Followed by a line with the list's path.
inline constexpr std::u16string_view kNoEditor =
    u"チェックするファイルを開くプログラムが見つかりません。テキストエディタをインストールしてください。";
inline constexpr std::u16string_view kListCreateFailed = u"チェックするファイルを作成できません。";

// Its first line is readable without the font it asks for.
inline constexpr std::u16string_view kNoJapaneseFont =
    u"No font with Japanese characters is installed; install the package fonts-noto-cjk.\n"
    u"日本語のフォントがありません。fonts-noto-cjk パッケージをインストールしてください。";
inline constexpr const char* kNoJapaneseFontLog =
    "pardovane: no font with Japanese characters is installed; the window's texts show as boxes. "
    "Install the package fonts-noto-cjk.";

}  // namespace pardovane::texts
