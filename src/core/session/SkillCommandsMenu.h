#pragma once

#include <QList>
#include <QString>

#include "core/agent/SkillCommand.h"

class ProjectSession;

// The composer's slash-command menu over the session: the project's skills as they are in
// memory, the ones matching the active conversation's draft, and picking one.
class SkillCommandsMenu {
public:
    explicit SkillCommandsMenu(const ProjectSession &session);

    QList<SkillCommand> skillCommands() const;
    QList<SkillCommand> composerSlashSuggestions() const;
    // Sets the active conversation's composer to "/<name> "; attachments and the editing state
    // stay as they are.
    void completeSlashCommand(const QString &name);

private:
    const ProjectSession &m_session;
};
