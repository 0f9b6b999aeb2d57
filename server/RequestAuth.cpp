#include "RequestAuth.h"

#include <httplib.h>

#include "AccountStore.h"
#include "HttpReply.h"
#include "JsonBody.h"
#include "ServerContext.h"

std::optional<UserRecord> RequestAuth::bearerUser(ServerContext &ctx, const httplib::Request &req)
{
    const QString header = QString::fromStdString(req.get_header_value("Authorization"));
    static const QString prefix = u"Bearer "_qs;
    if (!header.startsWith(prefix))
        return std::nullopt;
    return ctx.accounts.userForToken(header.mid(prefix.size()).trimmed());
}

std::optional<UserRecord> RequestAuth::requireUser(ServerContext &ctx, const httplib::Request &req,
                                                   httplib::Response &res)
{
    if (!req.has_header("Authorization")) {
        HttpReply::error(res, 401, u"not signed in: this request needs a device token"_qs);
        return std::nullopt;
    }
    auto user = bearerUser(ctx, req);
    if (!user)
        HttpReply::error(res, 401, u"the device token is unknown or has been revoked"_qs);
    return user;
}

std::optional<AuthorizedBody> RequestAuth::requireUserWithBody(ServerContext &ctx,
                                                               const httplib::Request &req,
                                                               httplib::Response &res)
{
    auto user = requireUser(ctx, req, res);
    if (!user)
        return std::nullopt;
    auto body = JsonBody::object(req, res);
    if (!body)
        return std::nullopt;
    return AuthorizedBody{std::move(*user), std::move(*body)};
}
