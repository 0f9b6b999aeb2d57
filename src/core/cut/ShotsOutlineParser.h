#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "core/cut/CutScene.h"

struct CutBeat;
struct OutlineLine;

// The single pass behind `ShotsOutline::parse`: fed the outline's lines in order, it builds the
// scenes. Lines it does not understand change nothing, or at most end the block they stand in.
class ShotsOutlineParser {
public:
    void read(const OutlineLine &line);
    const QList<CutScene> &scenes() const { return m_scenes; }

private:
    enum class Section { None, Cast, Camera, Beats };

    void readListItem(const OutlineLine &line);
    void readKeyLine(const OutlineLine &line);
    void startScene(QStringView key, const QString &value, qsizetype indent);
    void appendShot(const QString &id);
    void readBlockItem(QStringView key, const QString &value);
    void readBlockKey(QStringView key, const QString &value);
    void readShotKey(QStringView key, const QString &value, qsizetype indent);

    // Runs `change` on the last shot of the last scene; does nothing when there is none.
    template<typename Change>
    void withLastShot(Change &&change);

    static void applyBeatKey(CutBeat &beat, QStringView key, const QString &value);
    static Section sectionNamed(QStringView key);

    QList<CutScene> m_scenes;
    bool m_inScenes = false;
    qsizetype m_sceneIndent = -1; // unset until the first scene item; kept for the whole file
    bool m_shotsOpen = false;     // the current scene has had its `shots:` line
    Section m_section = Section::None;
    qsizetype m_sectionIndent = 0;
};
