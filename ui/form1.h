#pragma once

#include "engine/run/run_view.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTemporaryDir;

namespace pardovane {

class EventLoopWait;
class FileOpener;
class FindingsTab;
class ReportBox;
class SettingsForm;
class WindowCheck;
class WrappingButton;

// The program's one window. The Check button reads the user's configuration
// file and starts a run with its settings, whose engine owns the run's
// state; the window shows the engine's progress with its controls. The run
// keeps the thread until it ends, fetching ahead as pardovane-check does;
// while it waits on the network or on a message, the window goes on
// painting, resizing and answering the desktop, and closing it ends the run.
class Form1 : public QWidget, public RunView {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    explicit Form1(std::filesystem::path listFile, QWidget* parent = nullptr);
    ~Form1() override;

    // Shows a prepared message box and returns once it is answered. Tests
    // replace it to answer without a user; by default the box is modal, or,
    // during a run, waits while the run's transfers go on.
    using MessageBoxRunner = std::function<void(QMessageBox& box)>;
    void SetMessageBoxRunner(MessageBoxRunner runner);
    // The command that opens the list for editing, the path added to it;
    // xdg-open unless set.
    void SetEditCommand(QStringList command);

    void ShowVersionInTitle();
    void EditUrlList();
    // Said once at start when no installed font has Japanese glyphs, on
    // stderr and in a box whose first line needs none.
    void ReportMissingJapaneseFont();

    void SetStatusLabel(const std::u16string& text) override;
    void RepaintStatusLabel() override;
    void SetPageLabel(const std::u16string& text) override;
    void SetBusyPointer() override;
    void SetDefaultPointer() override;
    void SetProgressMax(int blocks) override;
    void SetProgressValue(int blocks) override;
    void SetReportText(const std::u16string& text) override;
    void ShowMessage(const std::u16string& text) override;
    std::optional<DownloadedPage> DownloadPage(const std::u16string& url) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void RunCheckFromButton();
    // Checks the pages of the list, or of the last run's problems only.
    void RunCheck(bool problemPagesOnly);
    void RecheckProblemPages();
    std::filesystem::path WriteRecheckList();
    void EndRun() noexcept;
    void RecoverFromFailedRun(const std::u16string& reason) noexcept;
    bool CreateListIfMissing();
    void ShowMessageWithListPath(std::u16string_view text);
    void WaitForAnswer(QMessageBox& box);

    // Behind a pointer so that the window's headers need not see curl.
    std::unique_ptr<EventLoopWait> networkWait_;
    std::filesystem::path listFile_;
    // During a run, and after it for its findings until the next.
    std::unique_ptr<WindowCheck> check_;
    std::unique_ptr<QTemporaryDir> recheckDir_;
    MessageBoxRunner messageBoxRunner_;
    FileOpener* opener_ = nullptr;
    bool busy_ = false;
    bool running_ = false;
    bool editFailedDuringRun_ = false;

    // Named in Qt as the design names them (Command1, Text1...), for the
    // tests and accessibility.
    WrappingButton* editButton_ = nullptr;  // Command2
    QPushButton* checkButton_ = nullptr;    // Command1
    QTabWidget* tabs_ = nullptr;            // where the design has the report
    ReportBox* reportBox_ = nullptr;        // Text1
    FindingsTab* findingsTab_ = nullptr;
    SettingsForm* settingsForm_ = nullptr;
    QProgressBar* progressBar_ = nullptr;  // ProgressBar1
    QLabel* pageLabel_ = nullptr;          // Label2
    QLabel* statusLabel_ = nullptr;        // Label1
};

}  // namespace pardovane
