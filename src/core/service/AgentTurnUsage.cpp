#include "core/service/AgentTurnUsage.h"

#include <QHashFunctions>
#include <QJsonObject>
#include <QJsonValue>

#include "core/service/StrictJson.h"

namespace {

// A required whole number: absent, null or mistyped all fail.
std::optional<qint64> requiredInteger(const QJsonObject &object, QStringView key)
{
    const auto field = StrictJson::optionalInteger(object, key);
    return field.ok ? field.value : std::nullopt;
}

} // namespace

QJsonObject AgentTurnUsage::PromptBreakdown::toJson() const
{
    return QJsonObject{{u"systemPrompt"_qs, systemPrompt},
                       {u"toolDefinitions"_qs, toolDefinitions},
                       {u"rules"_qs, rules},
                       {u"projectLayout"_qs, projectLayout},
                       {u"conversation"_qs, conversation}};
}

std::optional<AgentTurnUsage::PromptBreakdown>
AgentTurnUsage::PromptBreakdown::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto systemPrompt = requiredInteger(object, u"systemPrompt");
    const auto toolDefinitions = requiredInteger(object, u"toolDefinitions");
    const auto rules = requiredInteger(object, u"rules");
    const auto projectLayout = requiredInteger(object, u"projectLayout");
    const auto conversation = requiredInteger(object, u"conversation");
    if (!systemPrompt || !toolDefinitions || !rules || !projectLayout || !conversation)
        return std::nullopt;
    return PromptBreakdown{*systemPrompt, *toolDefinitions, *rules, *projectLayout, *conversation};
}

QJsonObject AgentTurnUsage::toJson() const
{
    QJsonObject object{
        {u"inputTokens"_qs, inputTokens}, {u"outputTokens"_qs, outputTokens}, {u"model"_qs, model}};
    if (contextWindow)
        object.insert(u"contextWindow", *contextWindow);
    if (breakdown)
        object.insert(u"breakdown", breakdown->toJson());
    return object;
}

std::optional<AgentTurnUsage> AgentTurnUsage::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto inputTokens = requiredInteger(object, u"inputTokens");
    const auto outputTokens = requiredInteger(object, u"outputTokens");
    const auto model = StrictJson::optionalString(object, u"model");
    const auto contextWindow = StrictJson::optionalInteger(object, u"contextWindow");
    if (!inputTokens || !outputTokens || !model.value || !contextWindow.ok)
        return std::nullopt;
    AgentTurnUsage usage{*inputTokens, *outputTokens, *model.value, contextWindow.value, {}};
    const QJsonValue breakdown = object.value(u"breakdown");
    if (!breakdown.isUndefined() && !breakdown.isNull()) {
        usage.breakdown = PromptBreakdown::fromJson(breakdown);
        if (!usage.breakdown)
            return std::nullopt;
    }
    return usage;
}

size_t qHash(const AgentTurnUsage &usage, size_t seed)
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, usage.inputTokens);
    seed = combine(seed, usage.outputTokens);
    seed = combine(seed, usage.model);
    seed = combine(seed, usage.contextWindow.value_or(-1));
    if (const auto &parts = usage.breakdown) {
        for (const qint64 part : {parts->systemPrompt, parts->toolDefinitions, parts->rules,
                                  parts->projectLayout, parts->conversation})
            seed = combine(seed, part);
    }
    return seed;
}
