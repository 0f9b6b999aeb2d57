// The REST endpoints of SlateboxAPI: organisations, projects, models, renders, prices, ships.

#include "core/service/SlateboxAPI.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "core/service/DecodingError.h"
#include "core/service/JsonFields.h"

QCoro::Task<QList<Namespace>> SlateboxAPI::listOrgs() const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.get(u"v1/orgs"_qs);
    api.check(response, {200});
    co_return JsonFields::requireRecords<Namespace>(JsonFields::object(response.body), u"orgs"_qs,
                                                    &Namespace::fromJson);
}

QCoro::Task<QList<CreatedProject>> SlateboxAPI::listProjects() const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.get(u"v1/projects"_qs);
    api.check(response, {200});
    co_return JsonFields::requireRecords<CreatedProject>(JsonFields::object(response.body),
                                                         u"projects"_qs, &CreatedProject::fromJson);
}

QCoro::Task<CreatedProject> SlateboxAPI::createProject(QString org, QString slug, QString title,
                                                       ProjectType type) const
{
    const SlateboxAPI api = *this;
    const QMap<QString, QString> body{{u"org"_qs, org},
                                      {u"slug"_qs, slug},
                                      {u"title"_qs, title},
                                      {u"type"_qs, ProjectTypes::rawValue(type)}};
    const APIResponse response = co_await api.post(u"v1/projects"_qs, body);
    api.check(response, {200, 201});
    co_return CreatedProject::fromJson(JsonFields::object(response.body));
}

QCoro::Task<void> SlateboxAPI::deleteProject(QString org, QString slug) const
{
    const SlateboxAPI api = *this;
    const APIResponse response =
        co_await api.deleteResource(u"v1/projects/"_qs + org + u'/' + slug);
    api.check(response, {200});
}

QCoro::Task<QList<AgentModel>> SlateboxAPI::agentModels() const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.get(u"v1/agent/models"_qs);
    api.check(response, {200});
    const QJsonArray array =
        JsonFields::requireArray(JsonFields::object(response.body), u"models"_qs);
    QList<AgentModel> models;
    for (const QJsonValue &value : array) {
        std::optional<AgentModel> model = AgentModel::fromJson(value);
        if (!model)
            throw DecodingError(
                u"The answer's \"_qsmodels\" holds an entry that is not a model."_qs);
        models.append(std::move(*model));
    }
    co_return models;
}

QCoro::Task<TakeLookup> SlateboxAPI::lookupTakes(QString shots, QString shotId) const
{
    const SlateboxAPI api = *this;
    const QMap<QString, QString> body{{u"shots"_qs, shots}, {u"shotId"_qs, shotId}};
    const APIResponse response = co_await api.post(u"v1/renders/lookup"_qs, body);
    api.check(response, {200});
    const QJsonObject root = JsonFields::object(response.body);
    TakeLookup lookup;
    lookup.inputHash = JsonFields::requireString(root, u"inputHash"_qs);
    const QList<Take> takes = JsonFields::requireRecords<Take>(root, u"takes"_qs, &Take::fromJson);
    lookup.takes = co_await api.resolvingMedia(takes);
    co_return lookup;
}

QCoro::Task<Take> SlateboxAPI::createRender(RenderBody body) const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.post(u"v1/renders"_qs, body.toJson());
    api.check(response, {202});
    const Take take =
        Take::fromJson(JsonFields::requireObject(JsonFields::object(response.body), u"take"_qs));
    QList<Take> single;
    single.append(take);
    const QList<Take> resolved = co_await api.resolvingMedia(single);
    co_return resolved.first();
}

QCoro::Task<Take> SlateboxAPI::render(QString id) const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.get(u"v1/renders/"_qs + id);
    api.check(response, {200});
    const Take take =
        Take::fromJson(JsonFields::requireObject(JsonFields::object(response.body), u"take"_qs));
    QList<Take> single;
    single.append(take);
    const QList<Take> resolved = co_await api.resolvingMedia(single);
    co_return resolved.first();
}

QCoro::Task<CutDryRun> SlateboxAPI::cutDryRun(QString shots, std::optional<QString> lock) const
{
    const SlateboxAPI api = *this;
    QMap<QString, QString> body{{u"shots"_qs, shots}};
    if (lock)
        body.insert(u"lock"_qs, *lock);
    const APIResponse response = co_await api.post(u"v1/cutgraph/dry-run"_qs, body);
    api.check(response, {200});
    co_return CutDryRun::fromJson(JsonFields::object(response.body));
}

QCoro::Task<Ship> SlateboxAPI::createShip(ShipBody body) const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.post(u"v1/ships"_qs, body.toFields());
    api.check(response, {201});
    co_return Ship::fromJson(
        JsonFields::requireObject(JsonFields::object(response.body), u"ship"_qs));
}
