#include "ui/finding_texts.h"

#include "ui/qt_text.h"

namespace pardovane {
namespace {

QString WithStatus(std::u16string_view words, long status)
{
    return ToQString(words) + QStringLiteral(" (") + QString::number(status) + u')';
}

// The first permanent hop, which is what the user is told about.
long PermanentStatus(const ProbeResult& probe)
{
    for (const Redirect& hop : probe.redirects)
        if (hop.status == 301 || hop.status == 308)
            return hop.status;
    return 301;
}

QString StatusReason(long status)
{
    switch (status) {
    case 401:
        return WithStatus(u"認証が必要です", status);
    case 403:
        return WithStatus(u"アクセスが禁止されています", status);
    case 404:
        return WithStatus(u"見つかりません", status);
    case 410:
        return WithStatus(u"削除されました", status);
    case 429:
        return WithStatus(u"要求が多すぎます", status);
    case 503:
        return WithStatus(u"サービスを利用できません", status);
    default:
        break;
    }
    if (status >= 500)
        return WithStatus(u"サーバーのエラー", status);
    return WithStatus(u"エラー", status);
}

std::u16string_view FailureReason(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None:
        return {};
    case HttpFailure::RefusedScheme:
        return u"調べられないスキームです";
    case HttpFailure::LocalFile:
        return u"ローカルファイルへのリンクです";
    case HttpFailure::MalformedUrl:
        return u"URL が正しくありません";
    case HttpFailure::NoRequestObject:
        return u"要求を準備できません";
    case HttpFailure::NameNotFound:
        return u"名前を解決できません";
    case HttpFailure::NameLookupTimeout:
        return u"名前の解決がタイムアウトしました";
    case HttpFailure::ConnectionRefused:
        return u"接続できません";
    case HttpFailure::Timeout:
        return u"タイムアウト";
    case HttpFailure::TooManyRedirects:
        return u"リダイレクトが多すぎます";
    case HttpFailure::Tls:
        return u"TLS のエラー";
    case HttpFailure::TlsHandshake:
        return u"TLS の接続に失敗しました";
    case HttpFailure::CertExpired:
        return u"証明書の期限が切れています";
    case HttpFailure::CertNotYetValid:
        return u"証明書がまだ有効ではありません";
    case HttpFailure::CertWrongHost:
        return u"証明書が別のホストのものです";
    case HttpFailure::CertSelfSigned:
        return u"自己署名の証明書です";
    case HttpFailure::CertUnknownIssuer:
        return u"証明書の発行者を確認できません";
    case HttpFailure::TooLarge:
        return u"大きすぎます";
    case HttpFailure::GotNothing:
        return u"応答がありません";
    case HttpFailure::SendFailed:
        return u"送信に失敗しました";
    case HttpFailure::ReceiveFailed:
        return u"受信に失敗しました";
    case HttpFailure::NotHttp:
        return u"HTTP の応答ではありません";
    case HttpFailure::Transfer:
        return u"転送に失敗しました";
    case HttpFailure::FileNotFound:
    case HttpFailure::NoSuchFile:
        return u"ファイルがありません";
    case HttpFailure::PermanentRedirect:
        return u"リダイレクト";
    case HttpFailure::SoftNotFound:
        return u"存在しないページと同じ応答です";
    }
    return u"不明なエラー";
}

QString ProbeReasonText(const std::optional<ProbeResult>& probe)
{
    if (!probe)
        return QStringLiteral("調べていません");
    if (probe->good() && probe->warned()) {
        if (probe->warning == ProbeWarning::BotWall)
            return WithStatus(u"ボット対策に遮られました", probe->status);
        return WithStatus(u"リダイレクト", PermanentStatus(*probe));
    }
    if (probe->failure == HttpFailure::PermanentRedirect)
        return WithStatus(FailureReason(probe->failure), PermanentStatus(*probe));
    if (probe->failure != HttpFailure::None)
        return ToQString(FailureReason(probe->failure));
    if (probe->status > 0)
        return StatusReason(probe->status);
    return QStringLiteral("ステータスがありません");
}

}  // namespace

QString JapaneseLinkReason(const LinkRecord& link)
{
    if (link.skipped())
        return link.kind == LinkTarget::Kind::SkippedScheme ? QStringLiteral("調べないスキーム")
                                                            : QStringLiteral("除外");
    if (link.fragmentMissing)
        return QStringLiteral("フラグメントがありません");
    if (link.good && !link.warned())
        return QStringLiteral("正常");
    return ProbeReasonText(link.probe());
}

QString JapanesePageReason(const PageRecord& page)
{
    if (page.reachable && !page.downloaded)
        return QStringLiteral("ダウンロードできません");
    return ProbeReasonText(page.probe);
}

QString LinkPlace(const LinkRecord& link)
{
    if (link.line == 0)
        return {};
    return QString::number(link.line) + u':' + QString::number(link.column);
}

}  // namespace pardovane
