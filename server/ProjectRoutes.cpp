#include <QJsonArray>

#include <httplib.h>

#include "HttpReply.h"
#include "JsonBody.h"
#include "ProjectService.h"
#include "ProjectStore.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"

// Listing, creating and deleting projects.
void registerProjectRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Get("/v1/projects", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const auto user = RequestAuth::requireUser(ctx, req, res);
        if (!user)
            return;
        QJsonArray projects;
        for (const ProjectRecord &project : ctx.projects.projectsOf(user->id))
            projects.append(project.toJson(ctx.baseUrl()));
        HttpReply::wrapped(res, 200, u"projects"_qs, projects);
    });

    server.Post("/v1/projects", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
        if (!authorized)
            return;
        std::optional<QString> fields[4];
        const QString keys[4] = {u"org"_qs, u"slug"_qs, u"title"_qs, u"type"_qs};
        for (int i = 0; i < 4; ++i) {
            fields[i] = JsonBody::requiredString(authorized->body, keys[i], res);
            if (!fields[i])
                return;
        }
        const auto outcome = ctx.projectService.create(authorized->user, *fields[0], *fields[1],
                                                       *fields[2], *fields[3]);
        if (!outcome.project) {
            HttpReply::error(res, outcome.status, outcome.error);
            return;
        }
        HttpReply::json(res, 201, outcome.project->toJson(ctx.baseUrl()));
    });

    server.Delete(R"(/v1/projects/([^/]+)/([^/]+))",
                  [&ctx](const httplib::Request &req, httplib::Response &res) {
                      const auto user = RequestAuth::requireUser(ctx, req, res);
                      if (!user)
                          return;
                      const QString org = QString::fromStdString(req.matches[1]);
                      const QString slug = QString::fromStdString(req.matches[2]);
                      const auto outcome = ctx.projectService.remove(*user, org, slug);
                      if (!outcome.project) {
                          HttpReply::error(res, outcome.status, outcome.error);
                          return;
                      }
                      HttpReply::json(res, 200,
                                      {{u"deleted"_qs, true},
                                       {u"project"_qs, outcome.project->toJson(ctx.baseUrl())}});
                  });
}
