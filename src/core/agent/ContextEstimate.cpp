#include "core/agent/ContextEstimate.h"

#include <algorithm>

#include "core/agent/Graphemes.h"
#include "core/agent/ProjectSnapshot.h"
#include "core/agent/TokenCount.h"
#include "core/service/AgentModel.h"

namespace {

bool isCoreFile(const QString &path, const std::optional<QString> &activeTab)
{
    return path == u"slatebox.yaml" || (activeTab && path == *activeTab) ||
           path.startsWith(u"bible/");
}

QList<ContextSlice> serviceBreakdown(const AgentTurnUsage::PromptBreakdown &breakdown)
{
    return {ContextSlice{u"System prompt"_qs, breakdown.systemPrompt},
            ContextSlice{u"Tool definitions"_qs, breakdown.toolDefinitions},
            ContextSlice{u"Rules"_qs, breakdown.rules},
            ContextSlice{u"Project layout"_qs, breakdown.projectLayout},
            ContextSlice{u"Conversation"_qs, breakdown.conversation}};
}

} // namespace

QList<ContextSlice> ContextEstimate::estimatedBreakdown(const FileIndex &files,
                                                        const std::optional<QString> &activeTab,
                                                        const QList<AgentMessage> &messages)
{
    qint64 project = 0;
    qint64 rules = 0;
    for (const ProjectFile &file : files) {
        if (!ProjectSnapshot::isSendable(file))
            continue;
        project += Graphemes::count(file.path) + 4;
        const bool core = isCoreFile(file.path, activeTab);
        const bool rule = file.path.startsWith(u".slatebox/rules/");
        if (!core && !rule)
            continue;
        const qint64 length = Graphemes::count(file.contents);
        if (core)
            project += length;
        if (rule)
            rules += length;
    }
    qint64 conversation = 0;
    for (const AgentMessage &message : messages)
        conversation += Graphemes::count(message.text);
    return {ContextSlice{u"Project context"_qs, project / charactersPerToken},
            ContextSlice{u"Rules"_qs, rules / charactersPerToken},
            ContextSlice{u"Conversation"_qs, conversation / charactersPerToken}};
}

QList<ContextSlice>
ContextEstimate::contextBreakdown(const std::optional<AgentTurnUsage> &usage,
                                  const std::function<QList<ContextSlice>()> &estimate)
{
    const QList<ContextSlice> slices =
        usage && usage->breakdown ? serviceBreakdown(*usage->breakdown) : estimate();
    if (usage && usage->inputTokens > 0)
        return TokenCount::scaled(slices, usage->inputTokens);
    return slices;
}

qint64 ContextEstimate::contextTokensUsed(const std::optional<AgentTurnUsage> &usage,
                                          const std::function<QList<ContextSlice>()> &breakdown)
{
    if (usage)
        return usage->inputTokens;
    qint64 sum = 0;
    for (const ContextSlice &slice : breakdown())
        sum += slice.tokens;
    return sum;
}

std::optional<qint64>
ContextEstimate::contextWindowTokens(const std::optional<AgentTurnUsage> &usage, bool agentAuto,
                                     QStringView modelId)
{
    if (usage && usage->contextWindow)
        return usage->contextWindow;
    if (agentAuto)
        return std::nullopt;
    const auto model = AgentModel::named(modelId);
    return model ? model->context : std::nullopt;
}

double ContextEstimate::contextUsage(qint64 tokensUsed, const std::optional<qint64> &windowTokens)
{
    const qint64 window = windowTokens && *windowTokens >= 1 ? *windowTokens : fallbackWindowTokens;
    return std::min(1.0, double(tokensUsed) / double(window));
}
