#pragma once

#include <string_view>

// The captions of the window's tabs beyond the report, written as
// window_texts.h writes its own.
namespace pardovane::texts {

inline constexpr std::u16string_view kTabsName = u"表示の切り替え";
inline constexpr std::u16string_view kReportTab = u"レポート";
inline constexpr std::u16string_view kFindingsTab = u"一覧";
inline constexpr std::u16string_view kSettingsTab = u"設定";

// The findings' columns.
inline constexpr std::u16string_view kColumnPage = u"ページ";
inline constexpr std::u16string_view kColumnLink = u"リンク";
inline constexpr std::u16string_view kColumnKind = u"種類";
inline constexpr std::u16string_view kColumnReason = u"理由";
inline constexpr std::u16string_view kColumnPlace = u"行:列";
inline constexpr std::u16string_view kColumnUrl = u"URL";
inline constexpr std::u16string_view kPageKind = u"ページ";

// Which findings are shown.
inline constexpr std::u16string_view kScopeProblems = u"壊れたリンクと警告";
inline constexpr std::u16string_view kScopeBroken = u"壊れたリンク";
inline constexpr std::u16string_view kScopeWarnings = u"警告";
inline constexpr std::u16string_view kScopeEvery = u"調べたリンクすべて";

inline constexpr std::u16string_view kFindingsName = u"見つかった問題の一覧";
inline constexpr std::u16string_view kFilterName = u"一覧の絞り込み";
inline constexpr std::u16string_view kFilterHint = u"絞り込む文字列";
inline constexpr std::u16string_view kClearFilter = u"絞り込みを消す";
inline constexpr std::u16string_view kScopeName = u"一覧に示すリンク";
inline constexpr std::u16string_view kRecheck = u"問題のあったページだけ再チェック";
inline constexpr std::u16string_view kExportCsv = u"CSV に書き出す";
inline constexpr std::u16string_view kExportJson = u"JSON に書き出す";
inline constexpr std::u16string_view kCsvFileName = u"pardovane-findings.csv";
inline constexpr std::u16string_view kJsonFileName = u"pardovane-findings.json";
inline constexpr std::u16string_view kCsvFiles = u"CSV ファイル (*.csv)";
inline constexpr std::u16string_view kJsonFiles = u"JSON ファイル (*.json)";
// Followed by a line with the path.
inline constexpr std::u16string_view kExportFailed = u"書き出せません。";
inline constexpr std::u16string_view kNothingToRecheck = u"問題のあったページはありません。";

// The findings' context menu.
inline constexpr std::u16string_view kOpenLink = u"リンクを開く";
inline constexpr std::u16string_view kOpenPage = u"ページを開く";
inline constexpr std::u16string_view kCopyUrl = u"URL をコピー";
inline constexpr std::u16string_view kCopyRow = u"行をコピー";
inline constexpr std::u16string_view kShowSource = u"ページのソースを表示";
inline constexpr std::u16string_view kSourceTitle = u"ページのソース";
inline constexpr std::u16string_view kSourceName = u"リンクの前後のソース";
inline constexpr std::u16string_view kSourceNotKept = u"このページのソースは保存されていません。";
// Followed by a line with the stylesheet and the link's line:column in it.
inline constexpr std::u16string_view kSourceInSheet = u"このリンクはスタイルシートの中にあります。";

// The settings form.
inline constexpr std::u16string_view kResources = u"画像・スタイルシート・スクリプトなども調べる";
inline constexpr std::u16string_view kFragments = u"# のあとの位置がページにあるか調べる";
inline constexpr std::u16string_view kRecurse = u"リンクをたどってサイト内のページも調べる";
inline constexpr std::u16string_view kMaxPages = u"たどるページの上限";
inline constexpr std::u16string_view kMaxDepth = u"たどる深さの上限";
inline constexpr std::u16string_view kIgnoreRobots = u"robots.txt に従わない";
inline constexpr std::u16string_view kAccept = u"正常とみなすステータス";
inline constexpr std::u16string_view kRedirects = u"恒久的なリダイレクト";
inline constexpr std::u16string_view kRedirectOk = u"正常";
inline constexpr std::u16string_view kRedirectWarn = u"警告";
inline constexpr std::u16string_view kRedirectError = u"エラー";
inline constexpr std::u16string_view kDefault = u"既定";
inline constexpr std::u16string_view kExclude = u"除外する URL (正規表現、1 行に 1 つ)";
inline constexpr std::u16string_view kMaxPerHost = u"ホストごとの同時接続数";
inline constexpr std::u16string_view kTimeout = u"タイムアウト (秒)";
inline constexpr std::u16string_view kUserAgent = u"User-Agent";
inline constexpr std::u16string_view kSaveSettings = u"設定を保存";
inline constexpr std::u16string_view kSettingsSaved = u"設定を保存しました。";
// Followed by a line naming the setting and what it takes, as the command says it.
inline constexpr std::u16string_view kSettingInvalid = u"設定の値が正しくありません。";
// Followed by the file's problem, as the command says it.
inline constexpr std::u16string_view kConfigNotOverwritten
    = u"設定ファイルに誤りがあるため、上書きしません。ファイルを直してください。";
inline constexpr std::u16string_view kConfigSaveFailed = u"設定ファイルを保存できません。";

}  // namespace pardovane::texts
