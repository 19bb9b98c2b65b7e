#pragma once

#include "engine/report/run_record.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <string>
#include <vector>

namespace pardovane {

// The run's findings as a table, read from the run's record as each page is
// recorded: a row per kept link of the page, and one for the page itself
// when it was not reached, not read or warned about. Rows hold indexes into
// the record, not copies, so a site's every link costs eight bytes a row.
class FindingsModel : public QAbstractTableModel, public RecordListener {
    Q_OBJECT

public:
    enum Column { Page, Link, Kind, Reason, Place, Url, ColumnCount };
    // What a row is, for FindingsFilter.
    enum class Verdict { Broken, Warned, Good };
    static constexpr int kVerdictRole = Qt::UserRole;
    // The reason as the command's reports word it.
    static constexpr int kReportReasonRole = Qt::UserRole + 1;

    explicit FindingsModel(QObject* parent = nullptr);

    // The record the next rows come from; null for none. Not owned, and it
    // must outlive its rows.
    void SetRecord(const RunRecord* record);

    // Pages of the record that had a problem, as their URLs, in order.
    std::vector<std::u16string> ProblemPages() const;
    const RunRecord* record() const { return record_; }
    // The page and link of a row; link is null for the page's own row.
    const PageRecord& PageOf(int row) const;
    const LinkRecord* LinkOf(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void OnRecordCleared() override;
    void OnFinding(const PageRecord&, const LinkRecord&) override { }
    void OnPageRecorded(const PageRecord& page) override;

private:
    static constexpr std::uint32_t kPageRow = UINT32_MAX;
    struct Row {
        std::uint32_t page;
        std::uint32_t link;  // index into the page's links, or kPageRow
    };

    QString Text(const Row& row, int column) const;
    Verdict VerdictOf(const Row& row) const;
    QString ReportReason(const Row& row) const;

    const RunRecord* record_ = nullptr;
    std::vector<Row> rows_;
};

}  // namespace pardovane
