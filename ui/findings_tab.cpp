#include "ui/findings_tab.h"

#include "engine/page/url_password.h"
#include "engine/report/json_report.h"
#include "ui/csv_export.h"
#include "ui/qt_text.h"
#include "ui/source_view.h"
#include "ui/window_texts.h"
#include "ui/workbench_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pardovane {
namespace {

QPushButton* CreateButton(const char* name, std::u16string_view text, QWidget* parent)
{
    auto* button = new QPushButton(ToQString(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(ToQString(text));
    return button;
}

}  // namespace

FindingsTab::FindingsTab(QWidget* parent)
    : QWidget(parent), runDialog_([](QDialog& dialog) { dialog.exec(); }),
      notify_([](const std::u16string&) {}), openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    filter_.setSourceModel(&model_);

    filterText_ = new QLineEdit(this);
    filterText_->setObjectName(QStringLiteral("FindingsFilter"));
    filterText_->setAccessibleName(ToQString(texts::kFilterName));
    filterText_->setPlaceholderText(ToQString(texts::kFilterHint));
    filterText_->setClearButtonEnabled(true);
    // Qt's clear button has no name of its own for a screen reader to say.
    for (auto* clear : filterText_->findChildren<QToolButton*>())
        clear->setAccessibleName(ToQString(texts::kClearFilter));
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("FindingsScope"));
    scope_->setAccessibleName(ToQString(texts::kScopeName));
    for (auto text : {texts::kScopeProblems, texts::kScopeBroken, texts::kScopeWarnings, texts::kScopeEvery})
        scope_->addItem(ToQString(text));

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("Findings"));
    table_->setAccessibleName(ToQString(texts::kFindingsName));
    table_->setModel(&filter_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Rows of one height let the view lay out a hundred thousand of them at once.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setSortingEnabled(true);
    // The run's order until the user picks a column.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    filter_.sort(-1);

    recheck_ = CreateButton("Recheck", texts::kRecheck, this);
    exportCsv_ = CreateButton("ExportCsv", texts::kExportCsv, this);
    exportJson_ = CreateButton("ExportJson", texts::kExportJson, this);

    auto* top = new QHBoxLayout;
    top->addWidget(filterText_, 1);
    // On Linux a screen reader names a combo box by its label and reads
    // its accessible name as the current item.
    auto* scopeLabel = new QLabel(ToQString(texts::kScopeName), this);
    scopeLabel->setBuddy(scope_);
    top->addWidget(scopeLabel);
    top->addWidget(scope_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(recheck_);
    bottom->addStretch(1);
    bottom->addWidget(exportCsv_);
    bottom->addWidget(exportJson_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);

    connect(filterText_, &QLineEdit::textChanged, &filter_, &QSortFilterProxyModel::setFilterFixedString);
    connect(scope_, &QComboBox::currentIndexChanged, this,
            [this](int index) { filter_.SetScope(static_cast<FindingsFilter::Scope>(index)); });
    connect(recheck_, &QPushButton::clicked, this, &FindingsTab::RecheckRequested);
    connect(exportCsv_, &QPushButton::clicked, this, &FindingsTab::ExportCsv);
    connect(exportJson_, &QPushButton::clicked, this, &FindingsTab::ExportJson);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (commandsEnabled_)
            OpenLinkOf(index.row(), false);
    });
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = table_->indexAt(at);
        if (commandsEnabled_ && index.isValid())
            CreateRowMenu(index.row())->exec(table_->viewport()->mapToGlobal(at));
    });
}

void FindingsTab::Attach(RunRecord& record)
{
    model_.SetRecord(&record);
    sources_.OnRecordCleared();
    record.AddListener(model_);
    record.AddListener(sources_);
}

void FindingsTab::Detach()
{
    model_.SetRecord(nullptr);
    sources_.OnRecordCleared();
}

bool FindingsTab::WantsEveryLink() const
{
    return filter_.scope() == FindingsFilter::Scope::Every;
}

void FindingsTab::SetCommandsEnabled(bool enabled)
{
    commandsEnabled_ = enabled;
    for (QWidget* control :
         std::initializer_list<QWidget*>{filterText_, scope_, recheck_, exportCsv_, exportJson_})
        control->setEnabled(enabled);
}

int FindingsTab::SourceRow(int shownRow) const
{
    return filter_.mapToSource(filter_.index(shownRow, 0)).row();
}

std::unique_ptr<QMenu> FindingsTab::CreateRowMenu(int shownRow)
{
    auto menu = std::make_unique<QMenu>(this);
    const bool pageRow = model_.LinkOf(SourceRow(shownRow)) == nullptr;
    if (!pageRow)
        menu->addAction(ToQString(texts::kOpenLink), this, [this, shownRow] { OpenLinkOf(shownRow, false); });
    menu->addAction(ToQString(texts::kOpenPage), this, [this, shownRow] { OpenLinkOf(shownRow, true); });
    menu->addAction(ToQString(texts::kCopyUrl), this, [this, shownRow] {
        QApplication::clipboard()->setText(filter_.index(shownRow, FindingsModel::Url).data().toString());
    });
    menu->addAction(ToQString(texts::kCopyRow), this, [this, shownRow] { CopyRow(shownRow); });
    if (!pageRow)
        menu->addAction(ToQString(texts::kShowSource), this, [this, shownRow] { ShowSource(shownRow); });
    return menu;
}

void FindingsTab::OpenLinkOf(int shownRow, bool page)
{
    const int column = page ? FindingsModel::Page : FindingsModel::Url;
    openUrl_(QUrl(filter_.index(shownRow, column).data().toString()));
}

void FindingsTab::CopyRow(int shownRow)
{
    QStringList fields;
    for (int column = 0; column < FindingsModel::ColumnCount; ++column)
        fields << filter_.index(shownRow, column).data().toString();
    QApplication::clipboard()->setText(fields.join(u'\t'));
}

void FindingsTab::ShowSource(int shownRow)
{
    const int row = SourceRow(shownRow);
    const LinkRecord* link = model_.LinkOf(row);
    const QString place = filter_.index(shownRow, FindingsModel::Place).data().toString();
    // Its line and column are the stylesheet's, which is not kept: marking
    // them in the page's source would point at the wrong text.
    if (link != nullptr && link->sheet != nullptr) {
        notify_(std::u16string(texts::kSourceInSheet) + u'\n' + NamedUrl(*link->sheet) + u' '
                + place.toStdU16String());
        return;
    }
    const std::u16string* source = sources_.Find(model_.PageOf(row).url);
    if (link == nullptr || source == nullptr) {
        notify_(std::u16string(texts::kSourceNotKept));
        return;
    }
    SourceView view(*source, link->link, place.section(u':', 0, 0).toInt(), this);
    runDialog_(view);
}

void FindingsTab::ExportCsv()
{
    SaveWithDialog(texts::kCsvFileName, texts::kCsvFiles, TableAsCsv(filter_));
}

void FindingsTab::ExportJson()
{
    const RunRecord* record = model_.record();
    if (record == nullptr)
        return;
    std::string json;
    WriteJsonReport(*record, counts_, [&json](std::string_view bytes) {
        json += bytes;
        return true;
    });
    SaveWithDialog(texts::kJsonFileName, texts::kJsonFiles, QByteArray::fromStdString(json));
}

// Written whole or not at all, as the report is saved.
bool FindingsTab::SaveWithDialog(std::u16string_view name, std::u16string_view filter,
                                 const QByteArray& bytes)
{
    QFileDialog dialog(this, ToQString(texts::kSaveReport));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({ToQString(filter), ToQString(texts::kAllFiles)});
    dialog.setDirectory(QDir::home());
    dialog.selectFile(ToQString(name));
    runDialog_(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = dialog.selectedFiles().constFirst();
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!saved)
        notify_(std::u16string(texts::kExportFailed) + u'\n' + path.toStdU16String() + u'\n'
                + file.errorString().toStdU16String());
    return saved;
}

}  // namespace pardovane
