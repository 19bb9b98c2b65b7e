#pragma once

#include "engine/http/http_client.h"
#include "engine/run/run_view.h"

#include <string>
#include <vector>

namespace pardovane::test {

// Window operations that record every call in order, as "Name:argument".
// Pages are downloaded for real through the given client.
class RecordingWindow : public RunView {
public:
    explicit RecordingWindow(HttpClient& http) : http_(http) { }

    void SetStatusLabel(const std::u16string& text) override { Record(u"Label1", text); }
    void RepaintStatusLabel() override { Record(u"Repaint", u""); }
    void SetPageLabel(const std::u16string& text) override { Record(u"Label2", text); }
    void SetBusyPointer() override { Record(u"Busy", u""); }
    void SetDefaultPointer() override { Record(u"Default", u""); }
    void SetProgressMax(int blocks) override { Record(u"Max", Number(blocks)); }
    void SetProgressValue(int blocks) override { Record(u"Value", Number(blocks)); }
    void SetReportText(const std::u16string& text) override { Record(u"Text1", text); }
    void ShowMessage(const std::u16string& text) override { Record(u"Message", text); }
    std::optional<DownloadedPage> DownloadPage(const std::u16string& url) override
    {
        Record(u"Download", url);
        return http_.DownloadText(url);
    }

    std::vector<std::u16string> calls;

    // Only the calls whose name is one of names, in order.
    std::vector<std::u16string> Only(std::initializer_list<std::u16string_view> names) const
    {
        std::vector<std::u16string> picked;
        for (const auto& call : calls)
            for (auto name : names)
                if (call.starts_with(std::u16string(name) + u":"))
                    picked.push_back(call);
        return picked;
    }

private:
    void Record(std::u16string_view name, std::u16string_view argument)
    {
        calls.push_back(std::u16string(name) + u":" + std::u16string(argument));
    }
    static std::u16string Number(int value)
    {
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }

    HttpClient& http_;
};

}  // namespace pardovane::test
