#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "core/agent/SkillCommand.h"
#include "core/project/ProjectTree.h"

// The project's skills as composer slash commands. Everything is computed from the in-memory
// file index, so a skill the agent has just written is offered at once, unsaved edits included.
namespace SkillCommands {

inline constexpr QStringView skillsFolder = u".slatebox/skills/";
inline constexpr QStringView skillSuffix = u".md";

// Every text file under the skills folder ending in ".md", named by its path between the
// folder and the suffix, sorted by name in code-point order.
QList<SkillCommand> skillCommands(const FileIndex &files);

// The "description:" line of a front-matter block that opens the text ("---" on the first
// line, closed by a "---" line), trimmed of spaces and tabs; "" when there is none.
QString skillDescription(QStringView contents);

// The commands to offer while the composer holds a bare "/command" prefix: those whose name,
// ignoring case, starts with what follows the "/". A space or newline anywhere ends the offer.
QList<SkillCommand> slashSuggestions(QStringView composer, const QList<SkillCommand> &commands);

// The composer text after picking a command: "/", the name and one space.
QString completion(QStringView name);

} // namespace SkillCommands
