#include <chrono>
#include <memory>
#include <thread>

#include <httplib.h>

#include "AgentChatRequest.h"
#include "DemoAgent.h"
#include "HttpReply.h"
#include "JsonBody.h"
#include "PendingTurns.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"

namespace {

QString bearerToken(const httplib::Request &req)
{
    return QString::fromStdString(req.get_header_value("Authorization")).mid(7).trimmed();
}

// Sends the script's lines as they fall due. Each line is its own chunk and leaves at once, so a
// client sees the pauses between them; a drop closes the connection without the closing chunk.
void stream(httplib::Response &res, const TurnScript &script)
{
    res.status = 200;
    res.set_header("Cache-Control", "no-cache");
    auto steps = std::make_shared<QList<TurnScript::Step>>(script.steps);
    res.set_chunked_content_provider("text/event-stream", [steps](size_t, httplib::DataSink &sink) {
        for (const TurnScript::Step &step : std::as_const(*steps)) {
            if (step.pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
            if (step.drop)
                return false;
            if (step.line) {
                const QByteArray line = *step.line + '\n';
                if (!sink.write(line.constData(), size_t(line.size())))
                    return false;
            }
        }
        sink.done();
        return true;
    });
}

void reply(httplib::Response &res, const TurnScript &script)
{
    if (script.status == 200) {
        stream(res, script);
        return;
    }
    res.status = script.status;
    res.set_content(script.body.toStdString(), script.contentType.toStdString());
}

} // namespace

// The streamed agent turn, the chat title, and (with --test-hooks) the script of the next turn.
void registerAgentRoutes(httplib::Server &server, ServerContext &ctx)
{
    auto pending = std::make_shared<PendingTurns>();

    server.Post("/v1/agent/chat",
                [&ctx, pending](const httplib::Request &req, httplib::Response &res) {
                    const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
                    if (!authorized)
                        return;
                    QString error;
                    const auto request = AgentChatRequest::fromJson(authorized->body, &error);
                    if (!request) {
                        HttpReply::error(res, 400, error);
                        return;
                    }
                    const std::optional<TurnScript> scripted = pending->take(bearerToken(req));
                    reply(res, scripted ? *scripted : DemoAgent::turn(*request));
                });

    server.Post("/v1/agent/title", [&ctx](const httplib::Request &req, httplib::Response &res) {
        const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
        if (!authorized)
            return;
        QString error;
        const auto messages =
            AgentChatRequest::messagesFromJson(authorized->body.value(u"messages"), &error);
        if (!messages) {
            HttpReply::error(res, 400, error);
            return;
        }
        QJsonObject answer;
        if (const std::optional<QString> title = DemoAgent::title(*messages))
            answer.insert(u"title"_qs, *title);
        HttpReply::json(res, 200, answer);
    });

    if (!ctx.options.testHooks)
        return;
    // The next turn of the calling token plays this script (see TurnScript for its form).
    server.Post("/v1/test/agent-turn", [&ctx, pending](const httplib::Request &req,
                                                       httplib::Response &res) {
        const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
        if (!authorized)
            return;
        QString error;
        const auto script = TurnScript::fromJson(authorized->body, &error);
        if (!script) {
            HttpReply::error(res, 400, error);
            return;
        }
        pending->set(bearerToken(req), *script);
        HttpReply::json(res, 200, QJsonObject{{u"steps"_qs, qint64(script->steps.size())}});
    });
}
