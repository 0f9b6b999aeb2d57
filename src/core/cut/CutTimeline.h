#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/cut/CutScene.h"
#include "core/cut/CutShot.h"

struct SceneGroup;

// The outline's shots laid end to end as one programme, in file order.
class CutTimeline {
public:
    struct Entry {
        QString sceneId;
        std::optional<QString> slugline; // the scene's
        CutShot shot;
        double start = 0; // seconds from the start of the cut

        const QString &id() const { return shot.id; }
        bool operator==(const Entry &) const = default;
    };

    CutTimeline() = default;
    // Scenes without shots, inserts among them, take no time.
    explicit CutTimeline(const QList<CutScene> &scenes);

    const QList<Entry> &entries() const { return m_entries; }
    double total() const { return m_total; }

    // The last entry that has started by `seconds`; the first entry before the cut starts. So a
    // zero-length shot is never current when the next one starts at the same instant.
    std::optional<Entry> entryAt(double seconds) const;

    // One group per scene of `scenes` (the outline this timeline was built from), in file order:
    // inserts always, ordinary scenes only when they have entries.
    QList<SceneGroup> groupedByScene(const QList<CutScene> &scenes) const;

    bool operator==(const CutTimeline &) const = default;

private:
    QList<Entry> m_entries;
    double m_total = 0;
};
