#include "ui/form1.h"

#include "engine/input/list_location.h"
#include "engine/page/utf_convert.h"
#include "engine/report/run_texts.h"
#include "engine/settings/config_file.h"
#include "engine/version.h"
#include "ui/anchor_layout.h"
#include "ui/arrow_pointer_scope.h"
#include "ui/event_loop_wait.h"
#include "ui/file_opener.h"
#include "ui/findings_tab.h"
#include "ui/form1_design.h"
#include "ui/japanese_font.h"
#include "ui/qt_text.h"
#include "ui/report_box.h"
#include "ui/run_input_guard.h"
#include "ui/settings_form.h"
#include "ui/window_check.h"
#include "ui/window_texts.h"
#include "ui/workbench_texts.h"
#include "ui/wrapping_button.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <utility>

namespace pardovane {
namespace {

using namespace form1_design;

QLabel* CreateLabel(const char* name, std::u16string_view text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // URLs are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(text));
    return label;
}

}  // namespace

Form1::Form1(QWidget* parent) : Form1(UserListFile(), parent)
{
}

Form1::Form1(std::filesystem::path listFile, QWidget* parent)
    : QWidget(parent), networkWait_(std::make_unique<EventLoopWait>()), listFile_(std::move(listFile)),
      opener_(new FileOpener(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ToQString(texts::kProgramName));
    setWindowIcon(QIcon(QStringLiteral(":/pardovane/pardovane.png")));
    setFont(JapaneseCapableFont(font()));
    CreateControls();
    resize(OpeningSize(screen()));
    ShowVersionInTitle();
}

Form1::~Form1()
{
    // The list's rows point into the last run's record.
    findingsTab_->Detach();
    SetDefaultPointer();
}

void Form1::CreateControls()
{
    editButton_ = new WrappingButton(ToQString(texts::kEditButton), this);
    editButton_->setObjectName(QStringLiteral("Command2"));
    checkButton_ = new QPushButton(ToQString(texts::kCheckButton), this);
    checkButton_->setObjectName(QStringLiteral("Command1"));
    // Enter presses the focused button, as Space does.
    for (QPushButton* button : {static_cast<QPushButton*>(editButton_), checkButton_})
        button->setAutoDefault(true);

    // The report is the first tab, and the one shown at start.
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Tabs"));
    tabs_->setDocumentMode(true);
    reportBox_ = new ReportBox(tabs_);
    reportBox_->setObjectName(QStringLiteral("Text1"));
    reportBox_->SetNotifier([this](const std::u16string& text) { ShowMessage(text); });
    findingsTab_ = new FindingsTab(tabs_);
    findingsTab_->setObjectName(QStringLiteral("FindingsTab"));
    findingsTab_->SetNotifier([this](const std::u16string& text) { ShowMessage(text); });
    settingsForm_ = new SettingsForm(tabs_);
    settingsForm_->setObjectName(QStringLiteral("SettingsForm"));
    settingsForm_->SetNotifier([this](const std::u16string& text) { ShowMessage(text); });
    tabs_->addTab(reportBox_, ToQString(texts::kReportTab));
    tabs_->addTab(findingsTab_, ToQString(texts::kFindingsTab));
    tabs_->addTab(settingsForm_, ToQString(texts::kSettingsTab));
    tabs_->setCurrentWidget(reportBox_);
    tabs_->tabBar()->setObjectName(QStringLiteral("TabBar"));

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);

    pageLabel_ = CreateLabel("Label2", {}, this);
    statusLabel_ = CreateLabel("Label1", texts::kInstruction, this);

    editButton_->setAccessibleName(ToQString(texts::kEditButton));
    checkButton_->setAccessibleName(ToQString(texts::kCheckButton));
    tabs_->setAccessibleName(ToQString(texts::kTabsName));
    reportBox_->setAccessibleName(ToQString(texts::kReportName));
    findingsTab_->setAccessibleName(ToQString(texts::kFindingsTab));
    settingsForm_->setAccessibleName(ToQString(texts::kSettingsTab));
    progressBar_->setAccessibleName(ToQString(texts::kProgressName));
    pageLabel_->setAccessibleName(ToQString(texts::kPageLabelName));
    statusLabel_->setAccessibleName(ToQString(texts::kStatusLabelName));

    auto* layout = new AnchorLayout(kClientSize, kMinimumClientSize, this);
    layout->addWidget(editButton_, Design(120, 120, 1695, 495), kTopLeft);
    layout->addWidget(checkButton_, Design(1920, 120, 6975, 495), kTopRow);
    layout->addWidget(tabs_, Design(120, 720, 8775, 5295), kAllEdges);
    layout->addWidget(progressBar_, Design(120, 6120, 8775, 255), kBottomRow);
    layout->addWidget(pageLabel_, Design(120, 6480, 8655, 255), kBottomRow);
    layout->addWidget(statusLabel_, Design(120, 6720, 8655, 255), kBottomRow);

    setTabOrder(checkButton_, reportBox_);
    setTabOrder(reportBox_, editButton_);
    setTabOrder(editButton_, tabs_->tabBar());
    checkButton_->setFocus();

    connect(checkButton_, &QPushButton::clicked, this, &Form1::RunCheckFromButton);
    connect(editButton_, &QPushButton::clicked, this, &Form1::EditUrlList);
    connect(findingsTab_, &FindingsTab::RecheckRequested, this, &Form1::RecheckProblemPages);
}

void Form1::SetMessageBoxRunner(MessageBoxRunner runner)
{
    messageBoxRunner_ = std::move(runner);
}

void Form1::SetEditCommand(QStringList command)
{
    opener_->SetCommand(std::move(command));
}

void Form1::ShowVersionInTitle()
{
    setWindowTitle(windowTitle() + u' ' + QString::number(PARDOVANE_VERSION_MAJOR) + u'.'
                   + QString::number(PARDOVANE_VERSION_MINOR) + u'.'
                   + QString::number(PARDOVANE_VERSION_PATCH));
}

void Form1::EditUrlList()
{
    // Nothing may unwind through Qt's event dispatch, and no failure goes unsaid.
    try {
        if (!CreateListIfMissing()) {
            ShowMessageWithListPath(texts::kListCreateFailed);
            return;
        }
        const QString path = ToQString(Utf8ToUtf16(listFile_.string()));
        opener_->Open(path, [this] {
            // A run waiting on the network may be what heard the opener
            // fail; its message must not start a second wait inside that one.
            if (running_)
                editFailedDuringRun_ = true;
            else
                ShowMessageWithListPath(texts::kNoEditor);
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pardovane: the list could not be opened for editing: %s\n", error.what());
    }
}

// An editor asked to open a file that is not there may refuse, or save
// elsewhere; an empty list to fill in is what the user wants.
bool Form1::CreateListIfMissing()
{
    std::error_code error;
    return std::filesystem::exists(listFile_, error) || CreateListFile(listFile_, {});
}

void Form1::ShowMessageWithListPath(std::u16string_view text)
{
    std::u16string message(text);
    message += u'\n';
    message += Utf8ToUtf16(listFile_.string());
    ShowMessage(message);
}

void Form1::ReportMissingJapaneseFont()
{
    if (JapaneseFontInstalled())
        return;
    std::fputs(texts::kNoJapaneseFontLog, stderr);
    std::fputc('\n', stderr);
    ShowMessage(std::u16string(texts::kNoJapaneseFont));
}

void Form1::RunCheckFromButton()
{
    RunCheck(false);
}

void Form1::RecheckProblemPages()
{
    if (findingsTab_->ProblemPages().empty()) {
        ShowMessage(std::u16string(texts::kNothingToRecheck));
        return;
    }
    RunCheck(true);
}

// The last run's problem pages as a list of their own, for a run like any
// other; it lasts until the next recheck writes it again.
std::filesystem::path Form1::WriteRecheckList()
{
    if (!recheckDir_ || !recheckDir_->isValid())
        recheckDir_ = std::make_unique<QTemporaryDir>();
    const std::filesystem::path list = recheckDir_->filePath(QStringLiteral("recheck.txt")).toStdString();
    std::ofstream out(list, std::ios::binary | std::ios::trunc);
    for (const std::u16string& page : findingsTab_->ProblemPages())
        out << Utf16ToUtf8(page) << "\r\n";
    out.close();
    if (!out)
        throw std::runtime_error("the list of pages to check again could not be written: " + list.string());
    return list;
}

void Form1::RunCheck(bool problemPagesOnly)
{
    // The engine turns the failures it knows into messages; anything else
    // must not unwind through Qt's event dispatch.
    try {
        // Read at every press, so an edited file counts at once; a broken
        // one is said, and nothing runs.
        RunSettings settings;
        if (auto problem = ReadConfigFile({}, settings)) {
            ShowMessage(std::u16string(texts::kConfigFileUnusable) + u'\n' + Utf8ToUtf16(*problem));
            return;
        }
        // A recheck reads the pages that had problems and no others.
        if (problemPagesOnly)
            settings.crawl.recurse = false;
        const std::filesystem::path list = problemPagesOnly ? WriteRecheckList() : listFile_;
        findingsTab_->Detach();
        check_.reset();
        check_ = std::make_unique<WindowCheck>(*this, *networkWait_, list, settings);
        check_->record().SetKeep(findingsTab_->WantsEveryLink() ? RunRecord::Keep::EveryLink
                                                                : RunRecord::Keep::Findings);
        findingsTab_->Attach(check_->record());
        const RunInputGuard guard(*this, {checkButton_, editButton_, settingsForm_},
                                  {tabs_->tabBar(), findingsTab_});
        reportBox_->SetCommandsEnabled(false);
        findingsTab_->SetCommandsEnabled(false);
        running_ = true;
        const RunOutcome outcome = check_->Run();
        findingsTab_->SetCounts(check_->counts());
        EndRun();
        // The bar counts lines that had a page; a run that read the list
        // ends with the bar full, whatever its last lines were.
        if (!outcome.listFileFailed && !outcome.cancelled)
            progressBar_->setValue(progressBar_->maximum());
    } catch (const std::exception& error) {
        EndRun();
        RecoverFromFailedRun(Utf8ToUtf16(error.what()));
    } catch (...) {
        EndRun();
        RecoverFromFailedRun({});
    }
}

void Form1::EndRun() noexcept
{
    running_ = false;
    reportBox_->SetCommandsEnabled(true);
    findingsTab_->SetCommandsEnabled(true);
    if (std::exchange(editFailedDuringRun_, false))
        QTimer::singleShot(0, this, [this] { ShowMessageWithListPath(texts::kNoEditor); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The window goes at once; the run stops at the wait it is in, with
    // whatever is on the network dropped, and asks for nothing more.
    if (running_ && check_)
        check_->Cancel();
    QWidget::closeEvent(event);
}

void Form1::RecoverFromFailedRun(const std::u16string& reason) noexcept
{
    try {
        SetDefaultPointer();
        statusLabel_->setText(ToQString(texts::kInstruction));
        if (!reason.empty())
            ShowMessage(reason);
    } catch (...) {
    }
}

void Form1::SetStatusLabel(const std::u16string& text)
{
    statusLabel_->setText(ToQString(text));
}

void Form1::RepaintStatusLabel()
{
    statusLabel_->repaint();
}

void Form1::SetPageLabel(const std::u16string& text)
{
    // Painted when the run next waits, not once per line.
    pageLabel_->setText(ToQString(text));
}

void Form1::SetBusyPointer()
{
    if (busy_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
}

void Form1::SetDefaultPointer()
{
    if (!busy_)
        return;
    QApplication::restoreOverrideCursor();
    busy_ = false;
}

void Form1::SetProgressMax(int blocks)
{
    progressBar_->setMaximum(blocks);
}

void Form1::SetProgressValue(int blocks)
{
    progressBar_->setValue(blocks);
}

void Form1::SetReportText(const std::u16string& text)
{
    reportBox_->SetReport(text);
}

void Form1::ShowMessage(const std::u16string& text)
{
    QMessageBox box(this);
    box.setWindowTitle(ToQString(texts::kProgramName));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(text));
    box.setStandardButtons(QMessageBox::Ok);
    // During a run the input guard keeps the user off the window instead: a
    // box modal to Qt would hold back the window manager's close request.
    box.setWindowModality(running_ ? Qt::NonModal : Qt::ApplicationModal);
    const ArrowPointerScope arrow(busy_);
    if (messageBoxRunner_)
        messageBoxRunner_(box);
    else if (running_)
        WaitForAnswer(box);
    else
        box.exec();
}

// Pages fetched ahead keep coming while the user reads the box, so none
// times out for the user's pause; closing the window ends the wait.
void Form1::WaitForAnswer(QMessageBox& box)
{
    box.show();
    check_->WaitUntil([&box] { return !box.isVisible(); });
}

std::optional<DownloadedPage> Form1::DownloadPage(const std::u16string& url)
{
    auto page = check_->DownloadText(url);
    if (page)
        findingsTab_->OfferPageText(page->text);
    return page;
}

}  // namespace pardovane
