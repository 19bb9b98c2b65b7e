#pragma once

#include "engine/http/http_settings.h"
#include "engine/run/content_checks.h"
#include "engine/run/crawl_settings.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// Requests in flight when nobody says otherwise: enough to hide many slow
// hosts behind each other, while the per-host limit keeps any one site from
// being crowded.
inline constexpr int kDefaultJobs = 128;

// What a check is set up with, in the window and in pardovane-check alike:
// the configuration file's settings, and for the command its options on top.
struct RunSettings {
    int jobs = kDefaultJobs;            // requests in flight at once
    HttpSettings http;                  // with the accepted statuses and the redirect policy
    std::vector<std::string> excludes;  // RE2 patterns, in the order given
    ContentChecks checks;
    CrawlSettings crawl;
    // Each host is asked for a page that cannot exist, and a good answer
    // like its answer there is a soft 404 (see SoftNotFound).
    bool soft404 = false;
    // pardovane-check's alone; the window has no exit status and no cache.
    bool warningsAsErrors = false;  // a warning fails the run as a broken link does
    std::string cacheFile;          // empty: every run asks everything afresh
    std::chrono::seconds maxCacheAge{24 * 60 * 60};
};

// How a setting's value is written in the configuration file.
enum class SettingType {
    Flag,         // true or false; the option takes no value
    WholeNumber,  // an integer
    Seconds,      // an integer or a decimal number
    Duration,     // seconds as an integer, or text such as "12h"
    Text,
    TextList,  // the option is repeatable: one value a time
    // An origin and a header for it; repeatable. The option's text is the
    // origin, a space and the header; the file has a table of origins.
    OriginHeader,
};

// The type of the setting named as its long option (without the dashes);
// nullopt for a name that is no setting.
std::optional<SettingType> TypeOfSetting(std::string_view name);

// Sets the named setting from its value as an option's text; a flag takes
// "" or "true" for on, "false" for off, and a list setting adds one item.
// A bad value leaves settings as they were and returns what the setting
// takes ("takes a whole number from 1 to 256"), for the caller to put after
// the name it knows it by: the same rule and words for an option and for a
// key of the file.
std::optional<std::string> ApplySetting(std::string_view name, std::string_view value, RunSettings& settings);

// Empties a list setting (TextList, OriginHeader), so that the items given
// next replace those read before; any other setting stays.
void ClearListSetting(std::string_view name, RunSettings& settings);

// What --help says of a setting.
struct SettingHelp {
    std::string_view name;
    SettingType type;
    std::string_view value;    // what --help calls its value ("N", "FILE"); empty for a flag
    std::string_view help;     // what it does; a '\n' starts a second line
    std::string shownDefault;  // its default as --help says it; empty when there is none to say
};

// Every setting, in the order --help lists them, with the defaults of defaults.
std::vector<SettingHelp> SettingsHelp(const RunSettings& defaults = {});

}  // namespace pardovane
