#include <QRegularExpression>

#include <httplib.h>

#include "AccountStore.h"
#include "HttpReply.h"
#include "JsonBody.h"
#include "LoginPage.h"
#include "Routes.h"
#include "SafeSlug.h"
#include "ServerContext.h"

namespace {

bool isChallenge(const QString &challenge)
{
    static const QRegularExpression hex(u"^[0-9a-f]{64}$"_qs);
    return hex.match(challenge).hasMatch();
}

QString param(const httplib::Request &req, const char *name)
{
    return QString::fromStdString(req.get_param_value(name));
}

// The form post of the login page: resolves (or, for sign-up, makes) the account and sends the
// browser on to the app's deep link with a fresh one-time code.
void submitLogin(ServerContext &ctx, const httplib::Request &req, httplib::Response &res)
{
    const QString challenge = param(req, "challenge");
    const QString account = param(req, "account").trimmed();
    if (!isChallenge(challenge)) {
        HttpReply::error(res, 400, u"challenge must be 64 lower-case hex digits"_qs);
        return;
    }
    if (!SafeSlug::isValid(account)) {
        HttpReply::error(res, 400,
                         u"account handle must be lower-case letters, digits and hyphens"_qs);
        return;
    }
    std::optional<UserRecord> user = ctx.accounts.userBySlug(account);
    if (param(req, "sign_up") == u"1") {
        if (user) {
            HttpReply::error(res, 409, u"account \""_qs + account + u"\" already exists"_qs);
            return;
        }
        const QString name = param(req, "name").trimmed();
        const QString email = param(req, "email").trimmed();
        user = ctx.accounts.ensureAccount(
            account, name.isEmpty() ? std::nullopt : std::optional<QString>(name),
            email.isEmpty() ? std::nullopt : std::optional<QString>(email));
    } else if (!user) {
        HttpReply::error(res, 404, u"no account \""_qs + account + u'"');
        return;
    }
    const QString code = ctx.accounts.createCode(user->id, challenge);
    res.status = 302;
    res.set_header("Location", QString(u"slatebox://auth?code="_qs + code).toStdString());
    res.set_content("Redirecting to Slatebox…", "text/plain; charset=utf-8");
}

} // namespace

// Browser sign-in (page, form, deep-link redirect) and the device-code exchange.
void registerAuthRoutes(httplib::Server &server, ServerContext &ctx)
{
    server.Get("/v1/auth/login", [](const httplib::Request &req, httplib::Response &res) {
        const QString client = param(req, "client");
        const QString challenge = param(req, "challenge");
        if (client.isEmpty() || !isChallenge(challenge)) {
            HttpReply::error(res, 400,
                             u"sign-in needs client and a challenge of 64 lower-case hex "
                             u"digits"_qs);
            return;
        }
        if (param(req, "screen_hint") == u"sign-up")
            HttpReply::html(res, 200, LoginPage::signUp(client, challenge));
        else
            HttpReply::html(res, 200, LoginPage::signIn(client, challenge, u"demo"_qs));
    });

    server.Post("/v1/auth/login", [&ctx](const httplib::Request &req, httplib::Response &res) {
        submitLogin(ctx, req, res);
    });

    server.Post(
        "/v1/auth/device/exchange", [&ctx](const httplib::Request &req, httplib::Response &res) {
            const auto body = JsonBody::object(req, res);
            if (!body)
                return;
            const auto code = JsonBody::requiredString(*body, u"code"_qs, res);
            if (!code)
                return;
            const auto verifier = JsonBody::requiredString(*body, u"verifier"_qs, res);
            if (!verifier)
                return;
            const auto result = ctx.accounts.exchange(*code, *verifier, ctx.options.codeTtlSeconds);
            if (!result.user) {
                HttpReply::error(res, 400, result.error);
                return;
            }
            HttpReply::json(res, 201,
                            {{u"token"_qs, result.token}, {u"user"_qs, result.user->toJson()}});
        });
}
