#include "core/service/AgentModel.h"

#include <algorithm>
#include <cmath>

#include <QHashFunctions>
#include <QJsonObject>
#include <QJsonValue>

#include "core/service/AgentModelGroup.h"

namespace {

AgentModel builtIn(const char *id, const char *provider, const char *label, const char *detail,
                   qint64 context)
{
    return AgentModel{QString::fromLatin1(id), QString::fromLatin1(provider),
                      QString::fromLatin1(label), QString::fromLatin1(detail), context};
}

QList<AgentModel> &currentCatalog()
{
    static QList<AgentModel> catalog = AgentModel::builtInCatalog();
    return catalog;
}

// JSON numbers are doubles: an integral value within the exactly representable range only.
std::optional<qint64> integralNumber(const QJsonValue &value)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    constexpr double limit = 9007199254740992.0; // 2^53
    if (std::trunc(number) != number || std::fabs(number) > limit) {
        return std::nullopt;
    }
    return static_cast<qint64>(number);
}

} // namespace

std::optional<AgentModel> AgentModel::fromJson(const QJsonValue &value)
{
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    AgentModel model;
    const std::pair<const char *, QString *> texts[] = {{"id", &model.id},
                                                        {"provider", &model.provider},
                                                        {"label", &model.label},
                                                        {"detail", &model.detail}};
    for (const auto &[key, field] : texts) {
        const QJsonValue text = object.value(QLatin1String(key));
        if (!text.isString()) {
            return std::nullopt;
        }
        *field = text.toString();
    }
    const QJsonValue context = object.value(QLatin1String("context"));
    if (!context.isUndefined() && !context.isNull()) {
        model.context = integralNumber(context);
        if (!model.context) {
            return std::nullopt;
        }
    }
    return model;
}

const QList<AgentModel> &AgentModel::builtInCatalog()
{
    static const QList<AgentModel> models{
        builtIn("director-1", "openai", "Director 1", "Slatebox", 1000000),
        builtIn("gpt-5.6-sol", "openai", "GPT-5.6 Sol", "OpenAI", 400000),
        builtIn("gpt-5.6-terra", "openai", "GPT-5.6 Terra", "OpenAI", 400000),
        builtIn("gpt-5.6-luna", "openai", "GPT-5.6 Luna", "OpenAI", 1000000),
        builtIn("claude-fable-5-1", "anthropic", "Fable 5.1", "Anthropic", 1000000),
        builtIn("claude-opus-5", "anthropic", "Opus 5", "Anthropic", 500000),
        builtIn("claude-sonnet-5", "anthropic", "Sonnet 5", "Anthropic", 500000),
        builtIn("grok-4.6", "xai", "Grok 4.6", "xAI", 2000000),
    };
    return models;
}

const QList<AgentModel> &AgentModel::catalog()
{
    return currentCatalog();
}

QList<AgentModelGroup> AgentModel::grouped()
{
    QList<AgentModelGroup> groups;
    for (const AgentModel &model : catalog()) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const AgentModelGroup &g) {
            return g.provider == model.detail;
        });
        if (group == groups.end()) {
            groups.append(AgentModelGroup{model.detail, {}});
            group = groups.end() - 1;
        }
        group->models.append(model);
    }
    return groups;
}

std::optional<AgentModel> AgentModel::named(QStringView id)
{
    for (const AgentModel &model : catalog()) {
        if (model.id == id) {
            return model;
        }
    }
    return std::nullopt;
}

void AgentModel::refresh(const QList<AgentModel> &models)
{
    if (!models.isEmpty()) {
        currentCatalog() = models;
    }
}

size_t qHash(const AgentModel &model, size_t seed)
{
    return qHashMulti(seed, model.id, model.provider, model.label, model.detail,
                      model.context.value_or(-1), model.context.has_value());
}
