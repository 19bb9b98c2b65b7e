#pragma once

#include "engine/page/downloaded_page.h"

#include <optional>
#include <string>

namespace pardovane {

// What the check run needs from the screen, and nothing more. The window
// implements it with its controls, the command line with the console.
class RunView {
public:
    virtual ~RunView() = default;

    virtual void SetStatusLabel(const std::u16string& text) = 0;
    // The status label must show its text before this returns, although the
    // run keeps the thread.
    virtual void RepaintStatusLabel() = 0;
    virtual void SetPageLabel(const std::u16string& text) = 0;
    virtual void SetBusyPointer() = 0;
    virtual void SetDefaultPointer() = 0;
    // Both in 128-byte blocks of the list file; the minimum stays 0.
    virtual void SetProgressMax(int blocks) = 0;
    virtual void SetProgressValue(int blocks) = 0;
    virtual void SetReportText(const std::u16string& text) = 0;
    // Modal; returns when the user has acknowledged it. Lines are split by "\n".
    virtual void ShowMessage(const std::u16string& text) = 0;
    // The body of the page as text, whatever its status, with the URL it
    // finally came from; nullopt when no response could be had.
    virtual std::optional<DownloadedPage> DownloadPage(const std::u16string& url) = 0;
};

}  // namespace pardovane
