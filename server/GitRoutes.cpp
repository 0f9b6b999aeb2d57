#include <httplib.h>

#include "GitHosting.h"
#include "HttpReply.h"
#include "Routes.h"
#include "SafeSlug.h"

// http://127.0.0.1:PORT/git/<org>/<slug>.git/… for clone, fetch and push.
void registerGitRoutes(httplib::Server &server, ServerContext &ctx)
{
    const auto handler = [&ctx](const httplib::Request &req, httplib::Response &res) {
        const QString org = QString::fromStdString(req.matches[1]);
        const QString slug = QString::fromStdString(req.matches[2]);
        const QString rest = QString::fromStdString(req.matches[3]);
        // Only the paths the smart protocol uses; anything else would let a request name files
        // of the repository folder.
        static const QStringList allowed{u"/info/refs"_qs, u"/git-upload-pack"_qs,
                                         u"/git-receive-pack"_qs, u"/HEAD"_qs};
        if (!SafeSlug::isValid(org) || !SafeSlug::isValid(slug) || !allowed.contains(rest)) {
            HttpReply::error(res, 404, u"no such repository path"_qs);
            return;
        }
        GitHosting::serve(ctx, req, res, org, slug, rest);
    };
    server.Get(R"(/git/([^/]+)/([^/]+)\.git(/.*)?)", handler);
    server.Post(R"(/git/([^/]+)/([^/]+)\.git(/.*)?)", handler);
}
