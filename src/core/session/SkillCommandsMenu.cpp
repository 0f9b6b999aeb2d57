#include "core/session/SkillCommandsMenu.h"

#include "core/agent/AgentConversation.h"
#include "core/agent/SkillCommands.h"
#include "core/session/ProjectSession.h"

SkillCommandsMenu::SkillCommandsMenu(const ProjectSession &session)
    : m_session(session)
{
}

QList<SkillCommand> SkillCommandsMenu::skillCommands() const
{
    return SkillCommands::skillCommands(m_session.files());
}

QList<SkillCommand> SkillCommandsMenu::composerSlashSuggestions() const
{
    const AgentConversation *conversation = m_session.activeConversation();
    if (!conversation)
        return {};
    return SkillCommands::slashSuggestions(conversation->composer(), skillCommands());
}

void SkillCommandsMenu::completeSlashCommand(const QString &name)
{
    if (AgentConversation *conversation = m_session.activeConversation())
        conversation->setComposer(SkillCommands::completion(name));
}
