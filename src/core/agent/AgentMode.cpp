#include "core/agent/AgentMode.h"

QList<AgentMode> AgentModes::all()
{
    return {AgentMode::Ask, AgentMode::Agent};
}

QString AgentModes::rawValue(AgentMode mode)
{
    return mode == AgentMode::Ask ? u"ask"_qs : u"agent"_qs;
}

std::optional<AgentMode> AgentModes::fromRaw(QStringView raw)
{
    for (const AgentMode mode : all()) {
        if (raw == rawValue(mode))
            return mode;
    }
    return std::nullopt;
}

QString AgentModes::title(AgentMode mode)
{
    return mode == AgentMode::Ask ? u"Ask"_qs : u"Agent"_qs;
}

QString AgentModes::symbol(AgentMode mode)
{
    return mode == AgentMode::Ask ? u"bubble.left"_qs : u"infinity"_qs;
}

QString AgentModes::promptPlaceholder(AgentMode mode)
{
    return mode == AgentMode::Ask ? u"Ask about the show…"_qs
                                  : u"Tell the agent what to change…"_qs;
}
