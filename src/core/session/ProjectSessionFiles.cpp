// File contents, baselines, deletion and revealing, and the sidebar kept in step with them.

#include "core/session/ProjectSession.h"

#include <exception>

#include <QFileInfo>

#include "core/git/GitClient.h"
#include "core/git/GitError.h"
#include "core/project/ShowYaml.h"
#include "core/session/ClonePath.h"
#include "core/session/FileManager.h"
#include "core/session/Trash.h"

namespace {

const QString ManifestPath = QStringLiteral("slatebox.yaml");

GitError notInsideProject(const QString &path)
{
    return GitError(u'"' + path + QStringLiteral("\" is not a path inside the project."));
}

} // namespace

std::optional<ShowManifest::Entry> ProjectSession::manifestEntry(const QString &slug) const
{
    const auto manifest = m_files.constFind(ManifestPath);
    if (manifest == m_files.cend())
        return std::nullopt;
    try {
        const ShowManifest parsed = ShowYaml::parse(manifest->contents);
        for (const ShowManifest::Entry &entry : parsed.deliverables) {
            if (entry.slug == slug)
                return entry;
        }
    } catch (const GitError &) {
        // A manifest being edited may not parse; nothing is then shipped or found.
    }
    return std::nullopt;
}

bool ProjectSession::isShipped(const QString &path) const
{
    const std::optional<QString> slug = ProjectTree::deliverableSlug(path);
    if (!slug)
        return false;
    const std::optional<ShowManifest::Entry> entry = manifestEntry(*slug);
    return entry && entry->status == u"shipped";
}

void ProjectSession::updateContents(const QString &path, const QString &contents)
{
    if (isShipped(path))
        return;
    setFileContents(path, contents);
    insertDirtyPath(path);
    if (path == ManifestPath)
        rebuildDeliverablesSection();
}

bool ProjectSession::setFileContents(const QString &path, const QString &contents)
{
    const auto node = m_files.find(path);
    if (node == m_files.end())
        return false;
    if (node->contents != contents) {
        node->contents = contents;
        emit filesChanged();
    }
    return true;
}

void ProjectSession::insertFile(const ProjectFile &file)
{
    const auto node = m_files.constFind(file.path);
    if (node != m_files.cend() && *node == file)
        return;
    m_files.insert(file.path, file);
    emit filesChanged();
}

std::optional<QString> ProjectSession::baseline(const QString &path)
{
    const auto cached = m_baselines.constFind(path);
    if (cached != m_baselines.cend())
        return *cached;

    std::optional<QString> text;
    if (m_localURL) {
        try {
            text = GitClient::show(QStringLiteral("HEAD:") + path, *m_localURL);
        } catch (const std::exception &) {
            // New since the last commit, or no repository: there is nothing to compare with.
        }
    } else if (const auto loaded = m_loadedContents.constFind(path);
               loaded != m_loadedContents.cend()) {
        text = *loaded;
    }
    m_baselines.insert(path, text);
    return text;
}

void ProjectSession::deleteItem(const QString &path)
{
    if (isShipped(path))
        return;
    if (!ClonePath::isClean(path))
        throw notInsideProject(path);

    // The disk goes first: when the Trash refuses the item, the session still shows what is
    // really there, and nothing is ever deleted outright.
    // A clone folder that is gone (the project was deleted while open) has nothing to trash.
    if (m_localURL && QFileInfo(*m_localURL).isDir()) {
        const std::optional<QString> onDisk = ClonePath::resolve(*m_localURL, path);
        if (!onDisk)
            throw notInsideProject(path);
        const QFileInfo item(*onDisk);
        if (item.exists() || item.isSymLink())
            Trash::moveToTrash(*onDisk);
    }

    const QString prefix = path + u'/';
    QStringList doomed;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it.key() == path || it.key().startsWith(prefix))
            doomed.append(it.key());
    }
    if (doomed.isEmpty())
        return;
    for (const QString &gone : doomed)
        m_files.remove(gone);
    emit filesChanged();
    removeDirtyPaths(QSet<QString>(doomed.cbegin(), doomed.cend()));
    for (const QString &gone : doomed)
        removeTab(gone);
    QList<SidebarSection> sections = m_sections;
    for (const QString &gone : doomed)
        ProjectTree::removeFromSidebar(sections, gone);
    setSections(sections);
}

void ProjectSession::revealInFinder(const QString &path)
{
    if (!m_localURL)
        return;
    const std::optional<QString> target = ClonePath::resolve(*m_localURL, path);
    if (!target)
        return;
    // An item that exists only in memory is shown by its nearest folder on disk.
    QString shown = *target;
    while (!QFileInfo::exists(shown) && shown != *m_localURL && shown.size() > m_localURL->size())
        shown = shown.section(u'/', 0, -2);
    if (m_revealLauncher)
        m_revealLauncher(shown);
    else
        FileManager::reveal(shown);
}

void ProjectSession::setRevealLauncher(RevealLauncher launcher)
{
    m_revealLauncher = std::move(launcher);
}

void ProjectSession::insertIntoSidebar(const ProjectFile &file)
{
    QList<SidebarSection> sections = m_sections;
    ProjectTree::insertIntoSidebar(sections, file);
    setSections(sections);
}

void ProjectSession::removeFromSidebar(const QString &path)
{
    QList<SidebarSection> sections = m_sections;
    ProjectTree::removeFromSidebar(sections, path);
    setSections(sections);
}

bool ProjectSession::rebuildDeliverablesSection()
{
    QList<SidebarSection> sections = m_sections;
    if (!ProjectTree::rebuildDeliverablesSection(sections, m_files))
        return false;
    setSections(sections);
    return true;
}
