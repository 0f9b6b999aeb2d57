#include "Routes.h"

#include <exception>

#include <httplib.h>

#include "HttpReply.h"

void Routes::registerAll(httplib::Server &server, ServerContext &ctx)
{
    registerAuthRoutes(server, ctx);
    registerAccountRoutes(server, ctx);
    registerProjectRoutes(server, ctx);
    registerAgentModelRoutes(server, ctx);
    registerUpdateRoutes(server, ctx);
    registerGitRoutes(server, ctx);
    registerAgentRoutes(server, ctx);
    registerRenderRoutes(server, ctx); // with the media (cas) routes
    registerCutGraphRoutes(server, ctx);
    registerShipRoutes(server, ctx);

    // Anything that reaches the error handler without a body of its own (no route matched, a
    // bad request line) still answers with an `error` text.
    server.set_error_handler([](const httplib::Request &req, httplib::Response &res) {
        if (!res.body.empty())
            return;
        if (res.status == 404)
            HttpReply::error(res, 404,
                             u"no such endpoint: "_qs + QString::fromStdString(req.method) + u' ' +
                                 QString::fromStdString(req.path));
        else
            HttpReply::error(res, res.status,
                             u"request failed ("_qs + QString::number(res.status) + u')');
    });
    server.set_exception_handler(
        [](const httplib::Request &, httplib::Response &res, std::exception_ptr failure) {
            QString message = u"internal error"_qs;
            try {
                if (failure)
                    std::rethrow_exception(failure);
            } catch (const std::exception &e) {
                message += u": "_qs + QString::fromUtf8(e.what());
            } catch (...) {
            }
            HttpReply::error(res, 500, message);
        });
}
