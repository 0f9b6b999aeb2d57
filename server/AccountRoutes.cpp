#include <QJsonArray>

#include <httplib.h>

#include "HttpReply.h"
#include "OrgStore.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"

// The signed-in account and the organisations it may create projects in.
void registerAccountRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Get("/v1/me", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const auto user = RequestAuth::requireUser(ctx, req, res);
        if (!user)
            return;
        HttpReply::wrapped(res, 200, u"user"_qs, user->toJson());
    });

    server.Get("/v1/orgs", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const auto user = RequestAuth::requireUser(ctx, req, res);
        if (!user)
            return;
        QJsonArray orgs;
        for (const OrgRecord &org : ctx.orgs.orgsOf(user->id))
            orgs.append(org.toJson());
        HttpReply::wrapped(res, 200, u"orgs"_qs, orgs);
    });
}
