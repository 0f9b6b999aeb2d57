#include <cmath>
#include <memory>

#include <QDateTime>
#include <QJsonArray>
#include <QRandomGenerator>

#include <httplib.h>

#include "CutPricing.h"
#include "HttpReply.h"
#include "JsonBody.h"
#include "MediaRoutes.h"
#include "MediaStore.h"
#include "ProjectAccess.h"
#include "RandomToken.h"
#include "RenderInputHash.h"
#include "RenderPrompt.h"
#include "RenderStore.h"
#include "RenderWorker.h"
#include "RequestAuth.h"
#include "Routes.h"
#include "ServerContext.h"
#include "core/cut/ShotsOutline.h"

namespace {

// What the render endpoints share; owned by their handlers, so it lives as long as the server.
struct RenderService {
    explicit RenderService(ServerContext &ctx)
        : media(std::make_shared<MediaStore>(ctx.dataDir + u"/media"_qs))
        , store(ctx.db)
        , worker(store, *media, ctx.options.renderFailureRate)
    {
        for (const RenderStore::Pending &render : store.pending())
            worker.schedule(render);
    }

    std::shared_ptr<MediaStore> media;
    RenderStore store;
    RenderWorker worker;
};

struct ShotInOutline {
    CutScene scene;
    CutShot shot;
};

std::optional<ShotInOutline> findShot(const QString &shots, const QString &shotId)
{
    for (const CutScene &scene : ShotsOutline::parse(shots)) {
        for (const CutShot &shot : scene.shots) {
            if (shot.id == shotId)
                return ShotInOutline{scene, shot};
        }
    }
    return std::nullopt;
}

// The shot and its input hash, or a 404 when the outline has no such shot.
std::optional<std::pair<ShotInOutline, QString>>
shotAndHash(const QString &shots, const QString &shotId, httplib::Response &res)
{
    std::optional<ShotInOutline> shot = findShot(shots, shotId);
    const std::optional<QString> hash = RenderInputHash::of(shots, shotId);
    if (!shot || !hash) {
        HttpReply::error(res, 404, u"shots.yaml has no shot \""_qs + shotId + u'"');
        return std::nullopt;
    }
    return std::pair{*shot, *hash};
}

QJsonObject takeJson(ServerContext &ctx, const MediaStore &media, const TakeRecord &take)
{
    std::optional<QString> url;
    if (take.outputCas)
        url = MediaRoutes::downloadUrl(ctx, media, *take.outputCas);
    return take.toJson(url);
}

void lookup(ServerContext &ctx, RenderService &renders, const httplib::Request &req,
            httplib::Response &res)
{
    const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
    if (!authorized)
        return;
    const auto shots = JsonBody::requiredString(authorized->body, u"shots"_qs, res, true);
    if (!shots)
        return;
    const auto shotId = JsonBody::requiredString(authorized->body, u"shotId"_qs, res);
    if (!shotId)
        return;
    const auto found = shotAndHash(*shots, *shotId, res);
    if (!found)
        return;
    QJsonArray takes;
    for (const TakeRecord &take : renders.store.takes(authorized->user.id, *shotId, found->second))
        takes.append(takeJson(ctx, *renders.media, take));
    HttpReply::json(res, 200, {{u"inputHash"_qs, found->second}, {u"takes"_qs, takes}});
}

void create(ServerContext &ctx, RenderService &renders, const httplib::Request &req,
            httplib::Response &res)
{
    const auto authorized = RequestAuth::requireUserWithBody(ctx, req, res);
    if (!authorized)
        return;
    std::optional<QString> fields[5];
    const QString keys[5] = {u"org"_qs, u"slug"_qs, u"deliverable"_qs, u"shotId"_qs, u"shots"_qs};
    for (int i = 0; i < 5; ++i) {
        fields[i] = JsonBody::requiredString(authorized->body, keys[i], res, i == 4);
        if (!fields[i])
            return;
    }
    const QString &org = *fields[0], &slug = *fields[1], &deliverable = *fields[2];
    const QString &shotId = *fields[3], &shots = *fields[4];
    if (deliverable.contains(u'/')) {
        HttpReply::error(res, 400, u"deliverable must be a slug, not a path"_qs);
        return;
    }
    for (const QString &key : {u"lock"_qs, u"manifest"_qs}) {
        if (!ProjectAccess::optionalString(authorized->body, key, res))
            return;
    }
    const auto appearance = ProjectAccess::stringMap(authorized->body, u"appearance"_qs, res);
    if (!appearance || !ProjectAccess::stringMap(authorized->body, u"voice"_qs, res) ||
        !ProjectAccess::stringMap(authorized->body, u"location"_qs, res))
        return;
    if (!ProjectAccess::find(ctx, authorized->user, org, slug, res))
        return;
    const auto found = shotAndHash(shots, shotId, res);
    if (!found)
        return;

    const QString model = RenderInputHash::catalogModel(shots);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    RenderStore::NewRender render;
    render.take.id = u"r_"_qs + RandomToken::hex(12);
    render.take.shotId = shotId;
    render.take.inputHash = found->second;
    render.take.status = u"rendering"_qs;
    render.take.model = model;
    render.take.resolution = QString::fromLatin1(CutPricing::resolution);
    render.take.prompt = RenderPrompt::forShot(found->first.scene, found->first.shot, *appearance);
    render.take.seed = QRandomGenerator::global()->bounded(1 << 30);
    render.take.createdAt = QDateTime::fromMSecsSinceEpoch(now, Qt::UTC).toString(Qt::ISODate);
    render.userId = authorized->user.id;
    render.org = org;
    render.slug = slug;
    render.deliverable = deliverable;
    render.dueMs = now + qint64(std::llround(ctx.options.renderSeconds * 1000.0));
    renders.store.insert(render, found->first.shot.duration);
    renders.worker.schedule(
        {render.take.id, shotId, model, found->first.shot.duration, render.dueMs});
    HttpReply::wrapped(res, 202, u"take"_qs, takeJson(ctx, *renders.media, render.take));
}

} // namespace

// Render takes: lookup by shot, creation (finished later by the render worker), reading one
// again; plus the media they produce.
void registerRenderRoutes(httplib::Server &server, ServerContext &ctx)
{
    auto renders = std::make_shared<RenderService>(ctx);
    MediaRoutes::registerRoutes(server, ctx, renders->media);

    server.Post("/v1/renders/lookup",
                [&ctx, renders](const httplib::Request &req, httplib::Response &res) {
                    lookup(ctx, *renders, req, res);
                });
    server.Post("/v1/renders",
                [&ctx, renders](const httplib::Request &req, httplib::Response &res) {
                    create(ctx, *renders, req, res);
                });
    server.Get(R"(/v1/renders/([^/]+))",
               [&ctx, renders](const httplib::Request &req, httplib::Response &res) {
                   const auto user = RequestAuth::requireUser(ctx, req, res);
                   if (!user)
                       return;
                   const QString id = QString::fromStdString(req.matches[1]);
                   const std::optional<TakeRecord> take = renders->store.find(user->id, id);
                   if (!take) {
                       HttpReply::error(res, 404, u"no render "_qs + id.left(100));
                       return;
                   }
                   HttpReply::wrapped(res, 200, u"take"_qs, takeJson(ctx, *renders->media, *take));
               });
}
