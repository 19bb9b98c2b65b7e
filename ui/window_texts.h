#pragma once

#include <string_view>

// The window's own captions, beside the run's texts in engine/report/run_texts.h and
// written the same way.
namespace pardovane::texts {

inline constexpr std::u16string_view kProgramName = u"Pardovane";

inline constexpr std::u16string_view kEditButton = u"チェックするファイルの編集";
inline constexpr std::u16string_view kCheckButton = u"チェック";

// Followed by a line with the list's path.
inline constexpr std::u16string_view kNoEditor
    = u"チェックするファイルを開くプログラムが見つかりません。テキストエディタをインストールしてください。";
inline constexpr std::u16string_view kListCreateFailed = u"チェックするファイルを作成できません。";
// Followed by a line naming the configuration file and what is wrong in it.
inline constexpr std::u16string_view kConfigFileUnusable
    = u"設定ファイルを読み込めないため、チェックを開始できません。";

// What screen readers call each control.
inline constexpr std::u16string_view kReportName = u"レポート";
inline constexpr std::u16string_view kProgressName = u"進行状況";
inline constexpr std::u16string_view kPageLabelName = u"調べているページ";
inline constexpr std::u16string_view kStatusLabelName = u"状態";

// The report box's own commands.
inline constexpr std::u16string_view kSaveReport = u"名前を付けて保存";
inline constexpr std::u16string_view kReportFileName = u"pardovane-report.txt";
inline constexpr std::u16string_view kTextFiles = u"テキストファイル (*.txt)";
inline constexpr std::u16string_view kAllFiles = u"すべてのファイル (*)";
// Followed by a line with the path and one with the reason.
inline constexpr std::u16string_view kSaveFailed = u"レポートを保存できません。";
inline constexpr std::u16string_view kFind = u"検索";
inline constexpr std::u16string_view kFindPrompt = u"検索する文字列:";
// Around the text searched for.
inline constexpr std::u16string_view kNotFoundBefore = u"「";
inline constexpr std::u16string_view kNotFoundAfter = u"」は見つかりません。";

// Its first line is readable without the font it asks for.
inline constexpr std::u16string_view kNoJapaneseFont
    = u"No font with Japanese characters is installed; install the package fonts-noto-cjk.\n"
      u"日本語のフォントがありません。fonts-noto-cjk パッケージをインストールしてください。";
inline constexpr const char* kNoJapaneseFontLog
    = "pardovane: no font with Japanese characters is installed; the window's texts show as boxes. "
      "Install the package fonts-noto-cjk.";

}  // namespace pardovane::texts
