#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringView>

// How the agent may act on a turn: answer questions only, or change the project.
enum class AgentMode { Ask, Agent };

// The raw value ("ask", "agent") goes on the wire and into the stored agent preferences; the
// other texts are what the mode selector and the composer show.
namespace AgentModes {

// In the mode selector's order.
QList<AgentMode> all();
QString rawValue(AgentMode mode);
std::optional<AgentMode> fromRaw(QStringView raw);
QString title(AgentMode mode);
// The symbol's name in the icon theme ("bubble.left", "infinity").
QString symbol(AgentMode mode);
QString promptPlaceholder(AgentMode mode);

} // namespace AgentModes
