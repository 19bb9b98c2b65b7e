#include "ui/settings_form.h"

#include "engine/page/utf_convert.h"
#include "engine/settings/config_file.h"
#include "ui/config_text.h"
#include "ui/qt_text.h"
#include "ui/workbench_texts.h"

#include <toml++/toml.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace pardovane {
namespace {

// The redirect policies as the file names them, "" for the default.
constexpr const char* kPolicies[] = {"", "ok", "warn", "error"};

std::string LineOf(std::string_view key, std::string_view problem)
{
    return std::string(key) + " " + std::string(problem);
}

// A value of the file as the option's text; list items one a line.
std::string OptionText(const toml::node& node)
{
    if (const auto* flag = node.as_boolean())
        return flag->get() ? "true" : "false";
    if (const auto* whole = node.as_integer())
        return std::to_string(whole->get());
    if (const auto* decimal = node.as_floating_point()) {
        char text[64];
        const auto [end, failure] = std::to_chars(std::begin(text), std::end(text), decimal->get());
        return failure == std::errc() ? std::string(text, end) : std::string();
    }
    if (const auto* text = node.as_string())
        return text->get();
    std::string items;
    if (const auto* array = node.as_array())
        for (const toml::node& item : *array)
            if (const auto* text = item.as_string())
                items += (items.empty() ? "" : "\n") + text->get();
    return items;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// The option's text as the file writes it.
std::string TomlValue(SettingType type, const std::string& value)
{
    switch (type) {
    case SettingType::Flag:
    case SettingType::WholeNumber:
    case SettingType::Seconds:
        return value;
    case SettingType::TextList: {
        std::string array = "[";
        for (const std::string& item : Lines(value))
            array += (array.size() > 1 ? ", " : "") + ConfigText::Quoted(item);
        return array + "]";
    }
    default:
        return ConfigText::Quoted(value);
    }
}

bool ReadText(const std::filesystem::path& file, std::string& text)
{
    std::ifstream in(file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

}  // namespace

SettingsForm::SettingsForm(QWidget* parent) : QWidget(parent), notify_([](const std::u16string&) {})
{
    auto* inner = new QWidget;
    auto* form = new QFormLayout(inner);
    setLayout(new QVBoxLayout);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    layout()->setContentsMargins(4, 4, 4, 4);
    layout()->addWidget(scroll);

    const auto add
        = [this, form](const char* key, SettingType type, std::u16string_view label, QWidget* input) {
        AddField(key, type, label, input);
        if (auto* box = qobject_cast<QCheckBox*>(input)) {
            box->setText(ToQString(label));
            form->addRow(box);
        } else {
            form->addRow(ToQString(label), input);
        }
    };
    add("resources", SettingType::Flag, texts::kResources, new QCheckBox);
    add("fragments", SettingType::Flag, texts::kFragments, new QCheckBox);
    add("recurse", SettingType::Flag, texts::kRecurse, new QCheckBox);
    add("max-pages", SettingType::WholeNumber, texts::kMaxPages, new QLineEdit);
    add("max-depth", SettingType::WholeNumber, texts::kMaxDepth, new QLineEdit);
    add("ignore-robots", SettingType::Flag, texts::kIgnoreRobots, new QCheckBox);
    add("accept", SettingType::Text, texts::kAccept, new QLineEdit);
    auto* policy = new QComboBox;
    for (auto text : {texts::kDefault, texts::kRedirectOk, texts::kRedirectWarn, texts::kRedirectError})
        policy->addItem(ToQString(text));
    add("redirects", SettingType::Text, texts::kRedirects, policy);
    add("exclude", SettingType::TextList, texts::kExclude, new QPlainTextEdit);
    add("max-per-host", SettingType::WholeNumber, texts::kMaxPerHost, new QLineEdit);
    add("timeout", SettingType::Seconds, texts::kTimeout, new QLineEdit);
    add("user-agent", SettingType::Text, texts::kUserAgent, new QLineEdit);

    save_ = new QPushButton(ToQString(texts::kSaveSettings), inner);
    save_->setObjectName(QStringLiteral("SaveSettings"));
    save_->setAccessibleName(ToQString(texts::kSaveSettings));
    form->addRow(save_);
    scroll->setWidget(inner);
    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    Load();
}

void SettingsForm::AddField(const char* key, SettingType type, std::u16string_view label, QWidget* input)
{
    input->setObjectName(QLatin1String(key));
    input->setAccessibleName(ToQString(label));
    if (auto* list = qobject_cast<QPlainTextEdit*>(input))
        list->setMaximumHeight(list->fontMetrics().lineSpacing() * 5);
    fields_.push_back({key, type, input});
}

void SettingsForm::SetFile(std::filesystem::path file)
{
    file_ = std::move(file);
    Load();
}

std::filesystem::path SettingsForm::File() const
{
    return file_.empty() ? UserConfigFile() : file_;
}

void SettingsForm::Load()
{
    loaded_.clear();
    const std::filesystem::path file = File();
    std::error_code error;
    if (!file.empty() && std::filesystem::exists(file, error)) {
        // A file that does not parse shows as empty; Save will refuse it.
        try {
            const toml::table parsed = toml::parse_file(file.string());
            for (const Field& field : fields_)
                if (const toml::node* node = parsed.get(field.key))
                    loaded_[field.key] = OptionText(*node);
        } catch (const toml::parse_error&) {
        }
    }
    for (const Field& field : fields_) {
        const auto found = loaded_.find(field.key);
        Show(field, found == loaded_.end() ? std::string() : found->second);
    }
    // What the form shows unchanged is what Save leaves alone.
    loaded_ = Values();
}

void SettingsForm::Show(const Field& field, const std::string& value)
{
    const QString text = QString::fromStdString(value);
    if (auto* box = qobject_cast<QCheckBox*>(field.input))
        box->setChecked(value == "true");
    else if (auto* line = qobject_cast<QLineEdit*>(field.input))
        line->setText(text);
    else if (auto* list = qobject_cast<QPlainTextEdit*>(field.input))
        list->setPlainText(text);
    else if (auto* choice = qobject_cast<QComboBox*>(field.input))
        for (int i = 0; i < static_cast<int>(std::size(kPolicies)); ++i)
            if (value == kPolicies[i])
                choice->setCurrentIndex(i);
}

std::map<std::string, std::string> SettingsForm::Values() const
{
    std::map<std::string, std::string> values;
    for (const Field& field : fields_) {
        std::string& value = values[field.key];
        if (const auto* box = qobject_cast<const QCheckBox*>(field.input))
            value = box->isChecked() ? "true" : "false";
        else if (const auto* line = qobject_cast<const QLineEdit*>(field.input))
            value = line->text().trimmed().toStdString();
        else if (const auto* list = qobject_cast<const QPlainTextEdit*>(field.input))
            value = list->toPlainText().toStdString();
        else if (const auto* choice = qobject_cast<const QComboBox*>(field.input))
            value = kPolicies[std::max(0, choice->currentIndex())];
    }
    return values;
}

bool SettingsForm::Save()
{
    const std::filesystem::path file = File();
    if (file.empty())
        return false;
    std::string text;
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    RunSettings scratch;
    if (exists) {
        if (auto problem = ReadConfigFile(file, scratch)) {
            notify_(std::u16string(texts::kConfigNotOverwritten) + u'\n' + Utf8ToUtf16(*problem));
            return false;
        }
        if (!ReadText(file, text)) {
            notify_(std::u16string(texts::kConfigSaveFailed) + u'\n' + Utf8ToUtf16(file.string()));
            return false;
        }
    }
    ConfigText config(std::move(text));
    const auto values = Values();
    for (const Field& field : fields_) {
        const std::string& value = values.at(field.key);
        if (loaded_[field.key] == value)
            continue;
        // Each value by the rule the command applies to it.
        const auto items
            = field.type == SettingType::TextList ? Lines(value) : std::vector<std::string>{value};
        for (const std::string& item : value.empty() ? std::vector<std::string>{} : items)
            if (auto problem = ApplySetting(field.key, item, scratch)) {
                notify_(std::u16string(texts::kSettingInvalid) + u'\n'
                        + Utf8ToUtf16(LineOf(field.key, *problem)));
                return false;
            }
        if (value.empty())
            config.Remove(field.key);
        else
            config.Set(field.key, TomlValue(field.type, value));
    }
    // Written beside the file and read back as the command reads it before
    // it takes the file's place.
    std::filesystem::create_directories(file.parent_path(), error);
    const std::filesystem::path written = file.string() + ".new";
    {
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        out << config.text();
        if (!out.flush()) {
            notify_(std::u16string(texts::kConfigSaveFailed) + u'\n' + Utf8ToUtf16(file.string()));
            return false;
        }
    }
    RunSettings check;
    if (auto problem = ReadConfigFile(written, check)) {
        std::filesystem::remove(written, error);
        notify_(std::u16string(texts::kSettingInvalid) + u'\n' + Utf8ToUtf16(*problem));
        return false;
    }
    std::filesystem::rename(written, file, error);
    if (error) {
        notify_(std::u16string(texts::kConfigSaveFailed) + u'\n' + Utf8ToUtf16(file.string()));
        return false;
    }
    loaded_ = values;
    return true;
}

}  // namespace pardovane
