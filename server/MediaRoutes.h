#pragma once

#include <memory>
#include <optional>

#include <QString>

namespace httplib {
class Server;
}

class MediaStore;
struct ServerContext;

// Content-addressed media: `v1/cas/<address>` hands out signed download links (with `json=1`) or
// the bytes themselves, and `v1/media/<hex>.mp4?sig=…` serves a signed link without any
// authorization header.
namespace MediaRoutes {

void registerRoutes(httplib::Server &server, ServerContext &ctx,
                    const std::shared_ptr<MediaStore> &media);

// The signed download link of a stored address.
QString downloadUrl(const ServerContext &ctx, const MediaStore &media, const QString &address);

} // namespace MediaRoutes
