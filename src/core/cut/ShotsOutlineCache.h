#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/cut/CutScene.h"
#include "core/cut/CutTimeline.h"

// The last parse of one cut view's outline. The view asks on every redraw and playback tick, so a
// parse happens only when the text differs from the one parsed last. UI thread only.
class ShotsOutlineCache {
public:
    const QList<CutScene> &scenes(const QString &text);
    const CutTimeline &timeline(const QString &text);
    const std::optional<QString> &videoModel(const QString &text);

    // The text parsed last; none before the first question.
    const std::optional<QString> &text() const { return m_text; }

private:
    void refresh(const QString &text);

    std::optional<QString> m_text;
    QList<CutScene> m_cachedScenes;
    CutTimeline m_cachedTimeline;
    std::optional<QString> m_cachedVideoModel;
};
