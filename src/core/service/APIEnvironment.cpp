#include "core/service/APIEnvironment.h"

#include <QSettings>

APIEnvironment APIEnvironment::buildDefault()
{
    return {QUrl(u"https://api.slatebox.app"_qs)};
}

APIEnvironment APIEnvironment::configured()
{
    return fromSetting(QSettings().value(u"apiBaseURL"_qs).toString());
}

APIEnvironment APIEnvironment::fromSetting(const QString &value)
{
    const QUrl url(value.trimmed(), QUrl::StrictMode);
    // A relative or host-less URL would send requests nowhere useful: treat it as not a URL.
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return buildDefault();
    return {url};
}
