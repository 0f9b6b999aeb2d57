#include "core/cut/CutTimeline.h"

#include <QHash>

#include "core/cut/SceneGroup.h"

CutTimeline::CutTimeline(const QList<CutScene> &scenes)
{
    // Summed as a double: durations come from untrusted text and may be near the 64-bit limits.
    double running = 0;
    for (const CutScene &scene : scenes) {
        for (const CutShot &shot : scene.shots) {
            m_entries.append({scene.id, scene.slugline, shot, running});
            running += double(shot.duration);
        }
    }
    m_total = running;
}

std::optional<CutTimeline::Entry> CutTimeline::entryAt(double seconds) const
{
    if (m_entries.isEmpty())
        return std::nullopt;
    for (auto it = m_entries.crbegin(); it != m_entries.crend(); ++it) {
        if (it->start <= seconds)
            return *it;
    }
    return m_entries.constFirst();
}

QList<SceneGroup> CutTimeline::groupedByScene(const QList<CutScene> &scenes) const
{
    QHash<QString, QList<Entry>> entriesByScene;
    for (const Entry &entry : m_entries)
        entriesByScene[entry.sceneId].append(entry);

    QList<SceneGroup> groups;
    for (const CutScene &scene : scenes) {
        if (scene.insert) {
            groups.append({scene.id, std::nullopt, {}, scene.insert});
            continue;
        }
        const QList<Entry> entries = entriesByScene.value(scene.id);
        if (!entries.isEmpty())
            groups.append({scene.id, scene.slugline, entries, std::nullopt});
    }
    return groups;
}
