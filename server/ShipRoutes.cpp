#include <memory>

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>

#include <httplib.h>

#include "HttpReply.h"
#include "JsonBody.h"
#include "ProjectAccess.h"
#include "RandomToken.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"
#include "ShipStore.h"

namespace {

// Fields every ship record needs, in the order they are checked; the commit must look like a git
// object id and an air date like a calendar day.
std::optional<ShipRecord> shipFromBody(const QJsonObject &body, httplib::Response &res)
{
    ShipRecord ship;
    QString *const required[] = {&ship.org, &ship.slug, &ship.deliverable, &ship.commit, &ship.tag};
    const QString keys[] = {u"org"_qs, u"slug"_qs, u"deliverable"_qs, u"commit"_qs, u"tag"_qs};
    for (int i = 0; i < 5; ++i) {
        const auto value = JsonBody::requiredString(body, keys[i], res);
        if (!value)
            return std::nullopt;
        *required[i] = *value;
    }
    static const QRegularExpression objectId(u"^[0-9a-f]{4,64}$"_qs);
    if (!objectId.match(ship.commit).hasMatch()) {
        HttpReply::error(res, 400, u"commit must be a git object id in lower-case hex"_qs);
        return std::nullopt;
    }
    const auto airDate = ProjectAccess::optionalString(body, u"airDate"_qs, res);
    const auto shots =
        airDate ? ProjectAccess::optionalString(body, u"shots"_qs, res) : std::nullopt;
    const auto lock = shots ? ProjectAccess::optionalString(body, u"lock"_qs, res) : std::nullopt;
    if (!lock)
        return std::nullopt;
    if (*airDate && !QDate::fromString(**airDate, u"yyyy-MM-dd"_qs).isValid()) {
        HttpReply::error(res, 400, u"airDate must be a day written yyyy-MM-dd"_qs);
        return std::nullopt;
    }
    ship.airDate = *airDate;
    ship.shots = *shots;
    ship.lock = *lock;
    return ship;
}

} // namespace

// Releases: recording one (201) and listing a project's.
void registerShipRoutes(httplib::Server &server, ServerContext &ctx)
{
    auto ships = std::make_shared<ShipStore>(ctx.db);

    server.Post("/v1/ships", [&ctx, ships](const httplib::Request &req, httplib::Response &res) {
        const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
        if (!authorized)
            return;
        std::optional<ShipRecord> ship = shipFromBody(authorized->body, res);
        if (!ship || !ProjectAccess::find(ctx, authorized->user, ship->org, ship->slug, res))
            return;
        ship->id = u"ship_"_qs + RandomToken::hex(12);
        ship->createdAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        ships->insert(*ship, authorized->user.id);
        HttpReply::wrapped(res, 201, u"ship"_qs, ship->toJson());
    });

    server.Get("/v1/ships", [&ctx, ships](const httplib::Request &req, httplib::Response &res) {
        const auto user = RequestAuth::requireUser(ctx, req, res);
        if (!user)
            return;
        const QString org = QString::fromStdString(req.get_param_value("org"));
        const QString slug = QString::fromStdString(req.get_param_value("slug"));
        if (!ProjectAccess::find(ctx, *user, org, slug, res))
            return;
        QJsonArray list;
        for (const ShipRecord &ship : ships->shipsOf(org, slug))
            list.append(ship.toJson());
        HttpReply::wrapped(res, 200, u"ships"_qs, list);
    });
}
