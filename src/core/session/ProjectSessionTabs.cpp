// Editor tabs: which files and cut views are open, in which order, and which one is shown.

#include "core/session/ProjectSession.h"

#include <algorithm>

#include "core/project/CodePointOrder.h"

bool ProjectSession::isCutTab(const QString &path) const
{
    if (!ProjectTree::isDeliverableFolder(path))
        return false;
    const auto node = m_files.constFind(path);
    if (node == m_files.cend() || node->isGroup())
        return true;
    // A deliverable without files has a childless node, which reads as an empty file; its
    // manifest entry says it is still a deliverable, whose tab is the cut and never a text.
    const std::optional<QString> slug = ProjectTree::deliverableSlug(path);
    return slug && manifestEntry(*slug).has_value();
}

void ProjectSession::open(const QString &path)
{
    const auto node = m_files.constFind(path);
    if ((node == m_files.cend() || node->isGroup()) && !isCutTab(path))
        return;
    if (!m_openTabs.contains(path)) {
        m_openTabs.append(path);
        emit openTabsChanged();
    }
    setActiveTab(path);
}

void ProjectSession::openItem(const QString &path)
{
    const auto node = m_files.constFind(path);
    if ((node != m_files.cend() && !node->isGroup()) || isCutTab(path)) {
        open(path);
        return;
    }
    const QString prefix = path + u'/';
    QStringList below;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it.key().startsWith(prefix))
            below.append(it.key());
    }
    std::sort(below.begin(), below.end(), CodePointOrder::less);
    for (const QString &file : below)
        open(file);
}

bool ProjectSession::removeTab(const QString &path)
{
    if (!m_openTabs.removeOne(path))
        return false;
    emit openTabsChanged();
    if (m_activeTab == path) {
        setActiveTab(m_openTabs.isEmpty() ? std::nullopt : std::make_optional(m_openTabs.last()));
    }
    return true;
}

void ProjectSession::close(const QString &path)
{
    removeTab(path);
}

void ProjectSession::closeOtherTabs(const QString &path)
{
    // Only an open tab can stay; otherwise the invariant "active is one of the tabs" breaks.
    if (!m_openTabs.contains(path))
        return;
    setOpenTabs({path});
    setActiveTab(path);
}

void ProjectSession::closeAllTabs()
{
    setOpenTabs({});
    setActiveTab(std::nullopt);
}

void ProjectSession::moveTab(const QString &path, const QString &target)
{
    if (path == target)
        return;
    const qsizetype from = m_openTabs.indexOf(path);
    const qsizetype to = m_openTabs.indexOf(target);
    if (from < 0 || to < 0)
        return;
    m_openTabs.move(from, to);
    emit openTabsChanged();
}

QString ProjectSession::tabTitle(const QString &path) const
{
    if (ProjectTree::isDeliverableFolder(path)) {
        for (const SidebarSection &section : m_sections) {
            if (section.id != u"deliverables")
                continue;
            for (const ProjectFile &group : section.items) {
                if (group.path != path)
                    continue;
                return group.labelPrefix ? *group.labelPrefix + u' ' + group.name : group.name;
            }
        }
    }
    return path.section(u'/', -1);
}
