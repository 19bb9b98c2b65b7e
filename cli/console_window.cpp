#include "cli/console_window.h"

#include "cli/terminal_escapes.h"
#include "engine/page/utf_convert.h"

namespace pardovane {
namespace {
// Long page labels are cut so the progress line never wraps on a normal terminal.
constexpr std::size_t kProgressLabelChars = 60;
}  // namespace

ConsoleWindow::ConsoleWindow(Downloader download, std::FILE* messages, bool showProgress, bool showControls)
    : download_(std::move(download)), messages_(messages), showProgress_(showProgress),
      showControls_(showControls)
{
}

void ConsoleWindow::SetPageLabel(const std::u16string& text)
{
    pageText_ = text;
    DrawProgress();
}

void ConsoleWindow::SetProgressValue(int blocks)
{
    progressValue_ = blocks;
    DrawProgress();
}

void ConsoleWindow::ShowMessage(const std::u16string& text)
{
    ClearProgress();
    std::string bytes = Utf16ToUtf8(text) + "\n";
    if (showControls_)
        bytes = ShowControls(bytes);
    std::fwrite(bytes.data(), 1, bytes.size(), messages_);
    std::fflush(messages_);
}

std::optional<DownloadedPage> ConsoleWindow::DownloadPage(const std::u16string& url)
{
    return download_(url);
}

void ConsoleWindow::DrawProgress()
{
    if (!showProgress_)
        return;
    std::u16string label = pageText_.substr(0, kProgressLabelChars);
    for (char16_t& c : label)
        if (IsControlCharacter(c))
            c = u' ';
    const std::string line = "\r\x1b[K[" + std::to_string(progressValue_) + "/" + std::to_string(progressMax_)
        + "] " + Utf16ToUtf8(label);
    std::fwrite(line.data(), 1, line.size(), messages_);
    std::fflush(messages_);
    progressShown_ = true;
}

void ConsoleWindow::ClearProgress()
{
    if (!progressShown_)
        return;
    std::fputs("\r\x1b[K", messages_);
    progressShown_ = false;
}

}  // namespace pardovane
