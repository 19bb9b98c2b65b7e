#pragma once

#include "engine/run/run_view.h"

#include <cstdio>
#include <functional>
#include <string>

namespace pardovane {

// The window operations on a console: messages go to stderr as they happen
// (with control characters shown, on a terminal), the report is kept for
// stdout, and a progress line is drawn when stderr takes escape sequences.
class ConsoleWindow : public RunView {
public:
    using Downloader = std::function<std::optional<DownloadedPage>(const std::u16string& url)>;

    ConsoleWindow(Downloader download, std::FILE* messages, bool showProgress, bool showControls);

    void SetStatusLabel(const std::u16string& text) override { statusText_ = text; }
    void RepaintStatusLabel() override { }
    void SetPageLabel(const std::u16string& text) override;
    void SetBusyPointer() override { }
    void SetDefaultPointer() override { }
    void SetProgressMax(int blocks) override { progressMax_ = blocks; }
    void SetProgressValue(int blocks) override;
    // The report stays with the engine, which the command line writes from:
    // a second copy of a large report would only add to the peak.
    void SetReportText(const std::u16string&) override { }
    void ShowMessage(const std::u16string& text) override;
    std::optional<DownloadedPage> DownloadPage(const std::u16string& url) override;

    const std::u16string& statusText() const { return statusText_; }
    // Removes the progress line so that what follows starts on a clean line.
    void ClearProgress();

private:
    void DrawProgress();

    Downloader download_;
    std::FILE* messages_;
    bool showProgress_;
    bool showControls_;
    bool progressShown_ = false;
    std::u16string statusText_;
    std::u16string pageText_;
    int progressMax_ = 0;
    int progressValue_ = 0;
};

}  // namespace pardovane
