#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

#include "HttpReply.h"
#include "RequestAuth.h"
#include "Routes.h"

namespace {

QJsonObject model(const QString &id, const QString &provider, const QString &label,
                  const QString &detail, qint64 context)
{
    return {{u"id"_qs, id},
            {u"provider"_qs, provider},
            {u"label"_qs, label},
            {u"detail"_qs, detail},
            {u"context"_qs, context}};
}

} // namespace

// The agent model catalogue. It differs from the client's built-in list on purpose (the demo
// agent's own entry first, one model fewer), so a client that shows it proves the fetch worked.
void registerAgentModelRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Get("/v1/agent/models", [&ctx](const httplib::Request &req, httplib::Response &res) {
        if (!RequestAuth::requireUser(ctx, req, res))
            return;
        const QJsonArray models{
            model(u"director-1"_qs, u"openai"_qs, u"Director 1"_qs, u"Slatebox"_qs, 1000000),
            model(u"gpt-5.6-sol"_qs, u"openai"_qs, u"GPT-5.6 Sol"_qs, u"OpenAI"_qs, 400000),
            model(u"gpt-5.6-luna"_qs, u"openai"_qs, u"GPT-5.6 Luna"_qs, u"OpenAI"_qs, 1000000),
            model(u"claude-opus-5"_qs, u"anthropic"_qs, u"Opus 5"_qs, u"Anthropic"_qs, 500000),
            model(u"claude-sonnet-5"_qs, u"anthropic"_qs, u"Sonnet 5"_qs, u"Anthropic"_qs, 500000),
            model(u"grok-4.6"_qs, u"xai"_qs, u"Grok 4.6"_qs, u"xAI"_qs, 2000000),
        };
        HttpReply::wrapped(res, 200, u"models"_qs, models);
    });
}
