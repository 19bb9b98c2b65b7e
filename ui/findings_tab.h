#pragma once

#include "engine/report/run_record.h"
#include "ui/findings_filter.h"
#include "ui/findings_model.h"
#include "ui/page_sources.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QDialog;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QUrl;

namespace pardovane {

// The 一覧 tab: the run's findings as they come, to sort, filter, open,
// copy, export and check again. During a run the list can be read and
// scrolled, and nothing here starts or changes anything.
class FindingsTab : public QWidget {
    Q_OBJECT

public:
    explicit FindingsTab(QWidget* parent = nullptr);

    // A run starts with this record; its rows are shown as its pages end.
    // The record must outlive them: until the next Attach.
    void Attach(RunRecord& record);
    // Forgets the record, before it goes.
    void Detach();
    // The run's counts, for the JSON export, once it has ended.
    void SetCounts(const RunCounts& counts) { counts_ = counts; }
    // Whether the next run must keep every link, not only the findings.
    bool WantsEveryLink() const;
    // The text of the page being checked, as it came.
    void OfferPageText(const std::u16string& text) { sources_.Offer(text); }
    // Off while a run has the window.
    void SetCommandsEnabled(bool enabled);

    // The rows as shown, and the pages the last run found a problem on.
    const QAbstractItemModel& shownRows() const { return filter_; }
    std::vector<std::u16string> ProblemPages() const { return model_.ProblemPages(); }
    // The context menu for a row as shown.
    std::unique_ptr<QMenu> CreateRowMenu(int shownRow);

    // The same seams as ReportBox's, for tests to answer without a user.
    using DialogRunner = std::function<void(QDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    using Notifier = std::function<void(const std::u16string& text)>;
    void SetNotifier(Notifier notify) { notify_ = std::move(notify); }
    using UrlOpener = std::function<void(const QUrl& url)>;
    void SetUrlOpener(UrlOpener open) { openUrl_ = std::move(open); }

Q_SIGNALS:
    void RecheckRequested();

private:
    void ExportCsv();
    void ExportJson();
    bool SaveWithDialog(std::u16string_view name, std::u16string_view filter, const QByteArray& bytes);
    void OpenLinkOf(int shownRow, bool page);
    void CopyRow(int shownRow);
    void ShowSource(int shownRow);
    int SourceRow(int shownRow) const;

    FindingsModel model_;
    FindingsFilter filter_;
    PageSources sources_;
    RunCounts counts_;
    bool commandsEnabled_ = true;

    QLineEdit* filterText_ = nullptr;
    QComboBox* scope_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* recheck_ = nullptr;
    QPushButton* exportCsv_ = nullptr;
    QPushButton* exportJson_ = nullptr;
    DialogRunner runDialog_;
    Notifier notify_;
    UrlOpener openUrl_;
};

}  // namespace pardovane
