#include "PendingTurns.h"

void PendingTurns::set(const QString &token, const TurnScript &script)
{
    const std::lock_guard lock(m_mutex);
    m_scripts.insert(token, script);
}

std::optional<TurnScript> PendingTurns::take(const QString &token)
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_scripts.constFind(token);
    if (found == m_scripts.constEnd())
        return std::nullopt;
    TurnScript script = *found;
    m_scripts.erase(found);
    return script;
}
