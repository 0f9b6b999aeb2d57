#pragma once

#include <QUrl>

// Where the API lives. `buildDefault()` is the production origin built into the program;
// `configured()` honours the "apiBaseURL" setting and falls back to the default, silently, when
// the setting is missing, empty or not an absolute URL.
struct APIEnvironment {
    QUrl baseURL;

    static APIEnvironment buildDefault();
    static APIEnvironment configured();
    // The setting's value as a base URL, or the default origin: the rule of `configured()`
    // without reading the settings, so it can be tested on its own.
    static APIEnvironment fromSetting(const QString &value);

    bool operator==(const APIEnvironment &) const = default;
};
