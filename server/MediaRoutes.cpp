#include "MediaRoutes.h"

#include <QFile>

#include <httplib.h>

#include "HttpReply.h"
#include "MediaStore.h"
#include "RequestAuth.h"
#include "ServerContext.h"

namespace {

void sendFile(httplib::Response &res, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        HttpReply::error(res, 500, u"the media file cannot be read"_qs);
        return;
    }
    // The status is left to httplib: 200 for the whole file, 206 for a range request (players
    // seek with those).
    res.set_header("Cache-Control", "private, max-age=31536000, immutable");
    res.set_content(file.readAll().toStdString(), "video/mp4");
}

} // namespace

QString MediaRoutes::downloadUrl(const ServerContext &ctx, const MediaStore &media,
                                 const QString &address)
{
    return ctx.baseUrl() + u"/v1/media/"_qs + address.mid(7) + u".mp4?sig="_qs +
           media.signature(address);
}

void MediaRoutes::registerRoutes(httplib::Server &server, ServerContext &ctx,
                                 const std::shared_ptr<MediaStore> &media)
{
    server.Get(R"(/v1/cas/([^/]+))",
               [&ctx, media](const httplib::Request &req, httplib::Response &res) {
                   if (!RequestAuth::requireUser(ctx, req, res))
                       return;
                   const QString address = QString::fromStdString(req.matches[1]);
                   if (!MediaStore::isAddress(address)) {
                       HttpReply::error(res, 400,
                                        u"not a content address (sha256:<64 hex digits>): "_qs +
                                            address.left(100));
                       return;
                   }
                   const std::optional<QString> path = media->filePath(address);
                   if (!path) {
                       HttpReply::error(res, 404, u"no media stored at "_qs + address);
                       return;
                   }
                   if (req.get_param_value("json") == "1")
                       HttpReply::json(
                           res, 200, {{u"url"_qs, MediaRoutes::downloadUrl(ctx, *media, address)}});
                   else
                       sendFile(res, *path);
               });

    server.Get(R"(/v1/media/([0-9a-f]{64})\.mp4)", [media](const httplib::Request &req,
                                                           httplib::Response &res) {
        const QString address = u"sha256:"_qs + QString::fromStdString(req.matches[1]);
        if (!media->verify(address, QString::fromStdString(req.get_param_value("sig")))) {
            HttpReply::error(res, 403, u"this download link is not valid"_qs);
            return;
        }
        const std::optional<QString> path = media->filePath(address);
        if (!path) {
            HttpReply::error(res, 404, u"no media stored at "_qs + address);
            return;
        }
        sendFile(res, *path);
    });
}
