#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/cut/CutTimeline.h"

// One group of the cut's filmstrip: the cards of an ordinary scene, or the single card of an
// insert scene (no entries, `insert` set).
struct SceneGroup {
    QString sceneId;
    std::optional<QString> slugline;
    QList<CutTimeline::Entry> entries;
    std::optional<QString> insert;

    const QString &id() const { return sceneId; }
    bool operator==(const SceneGroup &) const = default;
};
