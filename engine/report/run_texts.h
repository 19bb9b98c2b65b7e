#pragma once

#include <string>
#include <string_view>

// The texts a run shows: its labels, messages and report. U+3000 is written as an escape so it
// cannot be mistaken for an ordinary space.
namespace pardovane::texts {

inline constexpr std::u16string_view kInstruction = u"「チェック」ボタンでチェックを始めてください";
inline constexpr std::u16string_view kChecking = u"チェック中";
inline constexpr std::u16string_view kExaminingSuffix = u"\u3000からのリンクを調べています";
inline constexpr std::u16string_view kSummaryChecked = u"チェック数/";
inline constexpr std::u16string_view kSummaryErrors = u"  エラー/";

inline constexpr std::u16string_view kBadPageBefore = u"リンクをチェックするホームページ \"";
inline constexpr std::u16string_view kBadPageAfter = u"\" にアクセスできません";
inline constexpr std::u16string_view kCheckUrlMessage = u"URLをご確認ください";
inline constexpr std::u16string_view kCheckUrlReport = u"\u3000URLをご確認ください";
inline constexpr std::u16string_view kListFileOpenError = u"URLリストのファイルを開けません";

inline constexpr std::u16string_view kCrLf = u"\r\n";
inline constexpr std::u16string_view kPageOk = u"  <OK>\r\n\r\n";
inline constexpr std::u16string_view kPageErr = u"  <Err>\r\n\r\n";
inline constexpr std::u16string_view kLinkError = u"  <Error>\r\n";

}  // namespace pardovane::texts
