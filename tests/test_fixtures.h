#pragma once

#include "engine/http/http_settings.h"

#include <string>

// Small things many tests need, written out as literals so that a wrong text
// in the program cannot make its own test agree with it.
namespace pardovane::test {

// Limits short enough that a test waiting on a silent server ends quickly.
inline HttpSettings ShortTimeouts(long probeMs = 500, long downloadMs = 500)
{
    HttpSettings settings;
    settings.connectTimeoutMs = 1000;
    settings.probeTimeoutMs = probeMs;
    settings.downloadTimeoutMs = downloadMs;
    return settings;
}

// The two report lines of a listed page that cannot be reached.
inline std::u16string BadPageBlock(const std::u16string& url)
{
    return u"リンクをチェックするホームページ \"" + url
        + u"\" にアクセスできません\r\n\u3000URLをご確認ください\r\n";
}

// The message shown for it, its two lines split by "\n".
inline std::u16string BadPageMessage(const std::u16string& url)
{
    return u"リンクをチェックするホームページ \"" + url + u"\" にアクセスできません\nURLをご確認ください";
}

}  // namespace pardovane::test
