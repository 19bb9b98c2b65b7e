#include "ui/findings_model.h"

#include "engine/page/url_password.h"
#include "ui/finding_texts.h"
#include "ui/qt_text.h"
#include "ui/workbench_texts.h"

namespace pardovane {
namespace {

bool PageFinding(const PageRecord& page)
{
    return !page.reachable || !page.downloaded || page.warned();
}

}  // namespace

FindingsModel::FindingsModel(QObject* parent) : QAbstractTableModel(parent)
{
}

void FindingsModel::SetRecord(const RunRecord* record)
{
    beginResetModel();
    record_ = record;
    rows_.clear();
    endResetModel();
}

void FindingsModel::OnRecordCleared()
{
    SetRecord(record_);
}

void FindingsModel::OnPageRecorded(const PageRecord& page)
{
    if (record_ == nullptr || record_->pages().empty())
        return;
    // The page is the record's last; with only the current page kept, the
    // record holds nothing for later, and no row is made.
    const auto pageIndex = static_cast<std::uint32_t>(record_->pages().size() - 1);
    const auto links = record_->LinksOf(page);
    const auto count = static_cast<std::uint32_t>(links.end() - links.begin());
    const bool ownRow = PageFinding(page);
    const int added = static_cast<int>(count) + (ownRow ? 1 : 0);
    if (added == 0)
        return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + added - 1);
    if (ownRow)
        rows_.push_back({pageIndex, kPageRow});
    for (std::uint32_t link = 0; link < count; ++link)
        rows_.push_back({pageIndex, link});
    endInsertRows();
}

std::vector<std::u16string> FindingsModel::ProblemPages() const
{
    std::vector<std::u16string> pages;
    if (record_ != nullptr)
        for (const PageRecord& page : record_->pages())
            if (!page.good())
                pages.push_back(page.url);
    return pages;
}

const PageRecord& FindingsModel::PageOf(int row) const
{
    return record_->pages()[rows_[static_cast<std::size_t>(row)].page];
}

const LinkRecord* FindingsModel::LinkOf(int row) const
{
    const Row& at = rows_[static_cast<std::size_t>(row)];
    if (at.link == kPageRow)
        return nullptr;
    return &*(record_->LinksOf(record_->pages()[at.page]).begin() + at.link);
}

int FindingsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return Text(row, index.column());
    case kVerdictRole:
        return static_cast<int>(VerdictOf(row));
    case kReportReasonRole:
        return ReportReason(row);
    default:
        return {};
    }
}

QString FindingsModel::Text(const Row& row, int column) const
{
    const PageRecord& page = record_->pages()[row.page];
    const LinkRecord* link = LinkOf(static_cast<int>(&row - rows_.data()));
    switch (column) {
    case Page:
        return ToQString(WithoutPasswords(page.url));
    case Link:
        return link ? ToQString(WithoutPasswords(link->link)) : QString();
    case Kind:
        return link ? QString::fromLatin1(ElementName(link->element)) : ToQString(texts::kPageKind);
    case Reason:
        return link ? JapaneseLinkReason(*link) : JapanesePageReason(page);
    case Place:
        return link ? LinkPlace(*link) : QString();
    case Url:
        return ToQString(WithoutPasswords(link ? link->url() : page.url));
    default:
        return {};
    }
}

FindingsModel::Verdict FindingsModel::VerdictOf(const Row& row) const
{
    const PageRecord& page = record_->pages()[row.page];
    if (const LinkRecord* link = LinkOf(static_cast<int>(&row - rows_.data())))
        return link->broken() ? Verdict::Broken : link->warned() ? Verdict::Warned : Verdict::Good;
    return page.reachable && page.downloaded ? Verdict::Warned : Verdict::Broken;
}

QString FindingsModel::ReportReason(const Row& row) const
{
    const PageRecord& page = record_->pages()[row.page];
    if (const LinkRecord* link = LinkOf(static_cast<int>(&row - rows_.data()))) {
        if (link->broken())
            return QString::fromStdString(LinkReason(*link));
        return link->warned() ? QString::fromStdString(WarningReason(*link->probe())) : QString();
    }
    if (!page.reachable)
        return QString::fromStdString(ProbeReason(page.probe));
    if (!page.downloaded)
        return QStringLiteral("download failed");
    return QString::fromStdString(WarningReason(*page.probe));
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static constexpr std::u16string_view kHeaders[ColumnCount]
        = {texts::kColumnPage,   texts::kColumnLink,  texts::kColumnKind,
           texts::kColumnReason, texts::kColumnPlace, texts::kColumnUrl};
    return section >= 0 && section < ColumnCount ? ToQString(kHeaders[section]) : QVariant();
}

}  // namespace pardovane
