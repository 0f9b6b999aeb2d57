#include "core/session/ProjectLoader.h"

#include "core/project/ProjectLoader.h"
#include "core/session/ProjectSession.h"

namespace ProjectLoader {

ProjectSession *load(const QString &root, const QString &org, const QString &slug, QObject *parent)
{
    return fromLoaded(ProjectLoader::read(root, org, slug), parent);
}

ProjectSession *fromLoaded(LoadedProject project, QObject *parent)
{
    QStringList openTabs;
    if (project.openingTab)
        openTabs.append(*project.openingTab);
    auto *session =
        new ProjectSession(project.title, project.slug, project.org, project.type,
                           std::move(project.sections), openTabs, AgentMode::Ask, parent);
    session->setLocalURL(project.localURL);
    // The chats file is named after the project and read only once the clone is known.
    session->restoreChat();
    return session;
}

} // namespace ProjectLoader
