#include <httplib.h>

#include "CutPricing.h"
#include "HttpReply.h"
#include "JsonBody.h"
#include "ProjectAccess.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"

// Pricing what a render of a deliverable's cut would rebuild (see CutPricing for the prices).
void registerCutGraphRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Post(
        "/v1/cutgraph/dry-run", [&ctx](const httplib::Request &req, httplib::Response &res) {
            const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
            if (!authorized)
                return;
            const auto shots = JsonBody::requiredString(authorized->body, u"shots"_qs, res, true);
            if (!shots)
                return;
            const auto lock = ProjectAccess::optionalString(authorized->body, u"lock"_qs, res);
            if (!lock)
                return;
            HttpReply::json(res, 200, CutPricing::dryRun(*shots, *lock));
        });
}
