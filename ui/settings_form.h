#pragma once

#include "engine/settings/run_settings.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QPushButton;

namespace pardovane {

// The 設定 tab: the configuration file's settings a window user needs, as a
// form over the same config.toml pardovane-check reads. Values are checked
// by the command's own rules and words; saving rewrites only the keys the
// user changed, in place, and never a file that does not read.
class SettingsForm : public QWidget {
    Q_OBJECT

public:
    explicit SettingsForm(QWidget* parent = nullptr);

    // The file's values into the form; the user's file unless set.
    void Load();
    void SetFile(std::filesystem::path file);
    // False, and said why, when nothing was written.
    bool Save();

    using Notifier = std::function<void(const std::u16string& text)>;
    void SetNotifier(Notifier notify) { notify_ = std::move(notify); }

private:
    struct Field {
        const char* key;
        SettingType type;
        QWidget* input;
    };
    void AddField(const char* key, SettingType type, std::u16string_view label, QWidget* input);
    // What each field says as the option's text; items of a list one a line.
    std::map<std::string, std::string> Values() const;
    void Show(const Field& field, const std::string& value);
    std::filesystem::path File() const;

    std::filesystem::path file_;
    std::vector<Field> fields_;
    std::map<std::string, std::string> loaded_;
    QPushButton* save_ = nullptr;
    Notifier notify_;
};

}  // namespace pardovane
