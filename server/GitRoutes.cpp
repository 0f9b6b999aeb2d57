#include <atomic>
#include <memory>

#include <httplib.h>

#include <QJsonObject>

#include "GitHosting.h"
#include "HttpReply.h"
#include "Routes.h"
#include "SafeSlug.h"
#include "ServerContext.h"

namespace {

// The 401 answers of the git route, so a test can tell how often a client offered credentials
// that were refused.
struct GitChallengeCounts {
    std::atomic<qint64> challenges{0}; // every 401
    std::atomic<qint64> refused{0};    // 401s to a request that carried credentials
};

} // namespace

// http://127.0.0.1:PORT/git/<org>/<slug>.git/… for clone, fetch and push; with --test-hooks,
// GET /v1/test/git-challenges counts the route's 401 answers.
void registerGitRoutes(httplib::Server &server, ServerContext &ctx)
{
    const auto counts = std::make_shared<GitChallengeCounts>();
    const auto handler = [&ctx, counts](const httplib::Request &req, httplib::Response &res) {
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
        if (res.status == 401) {
            ++counts->challenges;
            if (req.has_header("Authorization"))
                ++counts->refused;
        }
    };
    server.Get(R"(/git/([^/]+)/([^/]+)\.git(/.*)?)", handler);
    server.Post(R"(/git/([^/]+)/([^/]+)\.git(/.*)?)", handler);

    if (!ctx.options.testHooks)
        return;
    server.Get("/v1/test/git-challenges",
               [counts](const httplib::Request &, httplib::Response &res) {
                   HttpReply::json(res, 200,
                                   QJsonObject{{u"challenges"_qs, counts->challenges.load()},
                                               {u"refused"_qs, counts->refused.load()}});
               });
}
