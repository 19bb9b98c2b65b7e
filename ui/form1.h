#pragma once

#include "engine/check_engine.h"
#include "engine/http_client.h"
#include "engine/window_operations.h"

#include <QWidget>

#include <filesystem>
#include <functional>

class QLabel;
class QMessageBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QUrl;

namespace pardovane {

class WrappingButton;

// The program's one window. It owns the check engine and with it the run's
// state, shows the engine's progress with its controls, and starts the run
// from the Check button. The run is synchronous: the window repaints the
// controls that change instead of handing the thread back to the event loop.
class Form1 : public QWidget, public WindowOperations {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    explicit Form1(std::filesystem::path listFile, QWidget* parent = nullptr);
    ~Form1() override;

    // Shows a prepared message box and returns once it is answered. Tests
    // replace it to answer without a user; the default runs it modally.
    using MessageBoxRunner = std::function<void(QMessageBox& box)>;
    void SetMessageBoxRunner(MessageBoxRunner runner);
    // Hands a file to the desktop and says whether anything took it; the
    // default is QDesktopServices.
    using DesktopOpener = std::function<bool(const QUrl& url)>;
    void SetDesktopOpener(DesktopOpener opener);

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

private:
    void CreateControls();
    void RunCheckFromButton();
    void RecoverFromFailedRun(const std::u16string& reason) noexcept;
    bool CreateListIfMissing();
    void ShowMessageWithListPath(std::u16string_view text);

    HttpClient http_;
    CheckEngine engine_;
    MessageBoxRunner messageBoxRunner_;
    DesktopOpener desktopOpener_;
    bool busy_ = false;

    WrappingButton* command2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPlainTextEdit* text1_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label1_ = nullptr;
};

}  // namespace pardovane
