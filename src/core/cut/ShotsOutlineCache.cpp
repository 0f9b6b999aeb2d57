#include "core/cut/ShotsOutlineCache.h"

#include "core/cut/ShotsOutline.h"

const QList<CutScene> &ShotsOutlineCache::scenes(const QString &text)
{
    refresh(text);
    return m_cachedScenes;
}

const CutTimeline &ShotsOutlineCache::timeline(const QString &text)
{
    refresh(text);
    return m_cachedTimeline;
}

const std::optional<QString> &ShotsOutlineCache::videoModel(const QString &text)
{
    refresh(text);
    return m_cachedVideoModel;
}

void ShotsOutlineCache::refresh(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    m_cachedScenes = ShotsOutline::parse(text);
    m_cachedTimeline = CutTimeline(m_cachedScenes);
    m_cachedVideoModel = ShotsOutline::videoModel(text);
}
