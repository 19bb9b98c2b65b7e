#include "engine/settings/config_file.h"

#include "engine/input/list_location.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace pardovane {
namespace {

std::string Where(const std::filesystem::path& file, const toml::source_region& source)
{
    return file.string() + ":" + std::to_string(source.begin.line) + ": ";
}

// How a value of the type is written, for a key given something else.
const char* Expected(SettingType type)
{
    switch (type) {
    case SettingType::Flag:
        return "true or false";
    case SettingType::WholeNumber:
        return "a whole number";
    case SettingType::Seconds:
        return "a number of seconds";
    case SettingType::Duration:
        return "seconds, or text such as \"12h\"";
    case SettingType::Text:
        return "text in quotes";
    case SettingType::TextList:
        return "an array of texts in quotes, such as [\"a\", \"b\"]";
    case SettingType::OriginHeader:
        return "a table of origins, each with a header or an array of headers";
    }
    return "";
}

// The value as the option's text, or nullopt when it is of another type.
std::optional<std::string> AsOptionText(const toml::node& node, SettingType type)
{
    if (const auto* flag = node.as_boolean(); flag && type == SettingType::Flag)
        return flag->get() ? "true" : "false";
    if (const auto* whole = node.as_integer(); whole
        && (type == SettingType::WholeNumber || type == SettingType::Seconds
            || type == SettingType::Duration))
        return std::to_string(whole->get());
    if (const auto* decimal = node.as_floating_point(); decimal && type == SettingType::Seconds) {
        char text[64];
        const auto [end, failure] = std::to_chars(std::begin(text), std::end(text), decimal->get());
        return failure == std::errc() ? std::string(text, end) : std::string("?");
    }
    if (const auto* text = node.as_string();
        text && (type == SettingType::Text || type == SettingType::Duration))
        return text->get();
    return std::nullopt;
}

// One key and its value into settings; the error line when either is wrong.
std::optional<std::string> ApplyKey(const std::filesystem::path& file, const toml::key& key,
                                    const toml::node& node, RunSettings& settings)
{
    const std::string name(key.str());
    const auto type = TypeOfSetting(name);
    if (!type)
        return Where(file, key.source()) + "unknown key '" + name + "'";
    const auto wrongType = [&](const toml::node& at) {
        return Where(file, at.source()) + name + " must be " + Expected(*type);
    };
    // Each value with what goes before it in the option's text: the origin
    // it is given for, in a table of origins.
    std::vector<std::pair<std::string, const toml::node*>> values{{"", &node}};
    SettingType itemType = *type;
    if (*type == SettingType::OriginHeader) {
        const auto* table = node.as_table();
        if (table == nullptr)
            return wrongType(node);
        values.clear();
        for (const auto& [origin, headers] : *table)
            values.emplace_back(std::string(origin.str()) + " ", &headers);
    }
    if (*type == SettingType::TextList || *type == SettingType::OriginHeader) {
        std::vector<std::pair<std::string, const toml::node*>> items;
        for (const auto& [prefix, value] : values) {
            if (const auto* array = value->as_array())
                for (const toml::node& item : *array)
                    items.emplace_back(prefix, &item);
            else if (*type == SettingType::OriginHeader)
                items.emplace_back(prefix, value);
            else
                return wrongType(*value);
        }
        values = std::move(items);
        itemType = SettingType::Text;
    }
    for (const auto& [prefix, value] : values) {
        const auto text = AsOptionText(*value, itemType);
        if (!text)
            return wrongType(*value);
        if (auto problem = ApplySetting(name, prefix + *text, settings))
            return Where(file, value->source()) + name + " " + *problem;
    }
    return std::nullopt;
}

// The whole file; false with errno set when it cannot be read.
bool ReadWhole(const std::filesystem::path& file, std::string& text)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!in)
        return false;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, in.get()))
        text.append(buffer, got);
    return std::ferror(in.get()) == 0;
}

}  // namespace

std::filesystem::path UserConfigFile()
{
    const std::filesystem::path home = CurrentListLocation().configHome;
    return home.empty() ? home : home / kOwnDirectoryName / "config.toml";
}

std::optional<std::string> ReadConfigFile(const std::filesystem::path& named, RunSettings& settings)
{
    std::filesystem::path file = named;
    if (file.empty()) {
        file = UserConfigFile();
        std::error_code absent;
        if (file.empty() || !std::filesystem::exists(file, absent))
            return std::nullopt;
    }
    std::string text;
    if (!ReadWhole(file, text))
        return "cannot read the configuration file " + file.string() + ": " + std::strerror(errno);
    toml::table table;
    try {
        table = toml::parse(text, file.string());
    } catch (const toml::parse_error& error) {
        return Where(file, error.source()) + std::string(error.description());
    }
    // In the file's order, so the first mistake is the one named; a table
    // keeps its keys sorted.
    std::vector<std::pair<const toml::key*, const toml::node*>> keys;
    for (const auto& [key, node] : table)
        keys.emplace_back(&key, &node);
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        const toml::source_position& first = a.first->source().begin;
        const toml::source_position& second = b.first->source().begin;
        return std::pair(first.line, first.column) < std::pair(second.line, second.column);
    });
    // All or nothing: a file with a mistake changes no setting.
    RunSettings read = settings;
    for (const auto& [key, node] : keys)
        if (auto problem = ApplyKey(file, *key, *node, read))
            return problem;
    settings = std::move(read);
    return std::nullopt;
}

}  // namespace pardovane
