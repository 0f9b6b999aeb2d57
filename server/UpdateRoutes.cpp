#include <QCoreApplication>
#include <QVersionNumber>

#include <httplib.h>

#include "HttpReply.h"
#include "Routes.h"
#include "ServerContext.h"

// The feed of the client's updater: the newest version for a platform, or 204 when the asking
// client is already at (or past) it.
void registerUpdateRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Get("/v1/app/update", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const QString platform = QString::fromStdString(req.get_param_value("platform"));
        const QString versionText = QString::fromStdString(req.get_param_value("version"));
        if (platform.isEmpty() || versionText.isEmpty()) {
            HttpReply::error(res, 400, u"query needs platform and version"_qs);
            return;
        }
        if (platform != u"linux") {
            HttpReply::error(res, 404, u"no updates for platform \""_qs + platform + u'"');
            return;
        }
        qsizetype suffix = 0;
        const QVersionNumber current = QVersionNumber::fromString(versionText, &suffix);
        if (current.isNull() || suffix != versionText.size()) {
            HttpReply::error(res, 400, u"version \""_qs + versionText + u"\" is not like 1.2.3"_qs);
            return;
        }
        const QString latestText = ctx.options.latestVersion.isEmpty()
                                       ? QCoreApplication::applicationVersion()
                                       : ctx.options.latestVersion;
        const QVersionNumber latest = QVersionNumber::fromString(latestText);
        // 1.4 and 1.4.0 are the same version.
        if (QVersionNumber::compare(current.normalized(), latest.normalized()) >= 0) {
            res.status = 204;
            return;
        }
        const QString version = latest.toString();
        const QString url =
            ctx.baseUrl() + u"/downloads/slatebox-"_qs + version + u"-linux-x86_64.tar.gz"_qs;
        const QString notes = u"Slatebox "_qs + version + u" for Linux: fixes and improvements."_qs;
        HttpReply::json(res, 200,
                        {{u"version"_qs, version}, {u"url"_qs, url}, {u"notes"_qs, notes}});
    });
}
