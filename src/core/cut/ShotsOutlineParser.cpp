#include "core/cut/ShotsOutlineParser.h"

#include <optional>

#include "core/cut/OutlineKeyValue.h"
#include "core/cut/OutlineLine.h"
#include "core/project/YamlScalar.h"

template<typename Change>
void ShotsOutlineParser::withLastShot(Change &&change)
{
    if (m_scenes.isEmpty() || m_scenes.constLast().shots.isEmpty())
        return;
    change(m_scenes.last().shots.last());
}

void ShotsOutlineParser::read(const OutlineLine &line)
{
    if (line.isSkipped())
        return;
    if (line.indent == 0) {
        // Any top-level key ends the scenes list, and with it the open scene and block.
        m_inScenes = line.trimmed.startsWith(QLatin1String("scenes:"));
        m_shotsOpen = false;
        m_section = Section::None;
        return;
    }
    if (!m_inScenes)
        return;
    if (line.trimmed.startsWith(QLatin1String("- ")))
        readListItem(line);
    else
        readKeyLine(line);
}

void ShotsOutlineParser::readListItem(const OutlineLine &line)
{
    const std::optional<OutlineKeyValue> item = OutlineKeyValue::from(line.trimmed.sliced(2));
    if (!item)
        return;
    if (item->key == QLatin1String("id") || item->key == QLatin1String("insert")) {
        m_section = Section::None;
        if (m_sceneIndent < 0 || m_sceneIndent == line.indent)
            startScene(item->key, item->value, line.indent);
        else if (item->key == QLatin1String("id") && m_shotsOpen)
            appendShot(item->value);
        return;
    }
    if (m_section != Section::None && m_shotsOpen && line.indent > m_sectionIndent)
        readBlockItem(item->key, item->value);
}

void ShotsOutlineParser::startScene(QStringView key, const QString &value, qsizetype indent)
{
    m_sceneIndent = indent;
    CutScene scene;
    if (key == QLatin1String("id")) {
        scene.id = value;
    } else {
        scene.id = QStringLiteral("insert-") + QString::number(m_scenes.size()) + u'-' + value;
        scene.insert = value;
    }
    m_scenes.append(scene);
    m_shotsOpen = false;
}

void ShotsOutlineParser::appendShot(const QString &id)
{
    if (m_scenes.isEmpty())
        return;
    CutShot shot;
    shot.id = id;
    m_scenes.last().shots.append(shot);
}

// Every list item of a beats block starts a beat, even one whose key is not a beat key.
void ShotsOutlineParser::readBlockItem(QStringView key, const QString &value)
{
    if (m_section == Section::Cast && key == QLatin1String("ref")) {
        withLastShot([&](CutShot &shot) { shot.cast.append(CutCastMember{value, std::nullopt}); });
    } else if (m_section == Section::Beats) {
        withLastShot([&](CutShot &shot) {
            CutBeat beat;
            applyBeatKey(beat, key, value);
            shot.beats.append(beat);
        });
    }
}

void ShotsOutlineParser::readKeyLine(const OutlineLine &line)
{
    const std::optional<OutlineKeyValue> pair = OutlineKeyValue::from(line.trimmed);
    if (!pair || m_scenes.isEmpty())
        return;
    if (pair->key == QLatin1String("shots")) {
        m_shotsOpen = true;
        m_section = Section::None;
        return;
    }
    if (!m_shotsOpen) {
        if (pair->key == QLatin1String("slugline"))
            m_scenes.last().slugline = pair->value;
        return;
    }
    if (m_scenes.constLast().shots.isEmpty())
        return;
    if (m_section != Section::None && line.indent > m_sectionIndent) {
        readBlockKey(pair->key, pair->value);
        return;
    }
    m_section = Section::None;
    readShotKey(pair->key, pair->value, line.indent);
}

void ShotsOutlineParser::readBlockKey(QStringView key, const QString &value)
{
    withLastShot([&](CutShot &shot) {
        switch (m_section) {
        case Section::Camera: {
            // Any key line inside the block gives the shot a camera; a second block merges in.
            CutCamera camera = shot.camera.value_or(CutCamera{});
            if (key == QLatin1String("framing"))
                camera.framing = value;
            else if (key == QLatin1String("angle"))
                camera.angle = value;
            else if (key == QLatin1String("movement"))
                camera.movement = value;
            else if (key == QLatin1String("subject"))
                camera.subject = value;
            shot.camera = camera;
            break;
        }
        case Section::Cast:
            if (key == QLatin1String("state") && !shot.cast.isEmpty())
                shot.cast.last().state = value;
            break;
        case Section::Beats:
            if (!shot.beats.isEmpty())
                applyBeatKey(shot.beats.last(), key, value);
            break;
        case Section::None:
            break;
        }
    });
}

// Shot keys go to the last shot whatever their indentation once the scene's shots are open.
void ShotsOutlineParser::readShotKey(QStringView key, const QString &value, qsizetype indent)
{
    const Section section = sectionNamed(key);
    if (section != Section::None && value.isEmpty()) {
        m_section = section;
        m_sectionIndent = indent;
    } else if (key == QLatin1String("duration")) {
        if (const std::optional<qint64> seconds = YamlScalar::wholeNumber(value))
            withLastShot([&](CutShot &shot) { shot.duration = *seconds; });
    } else if (key == QLatin1String("intent")) {
        withLastShot([&](CutShot &shot) { shot.intent = value; });
    }
}

void ShotsOutlineParser::applyBeatKey(CutBeat &beat, QStringView key, const QString &value)
{
    if (key == QLatin1String("at"))
        beat.at = YamlScalar::wholeNumber(value);
    else if (key == QLatin1String("action"))
        beat.action = value;
    else if (key == QLatin1String("character"))
        beat.character = value;
    else if (key == QLatin1String("text"))
        beat.line = value;
    else if (key == QLatin1String("offscreen"))
        beat.offscreen = value == QLatin1String("true");
}

ShotsOutlineParser::Section ShotsOutlineParser::sectionNamed(QStringView key)
{
    if (key == QLatin1String("cast"))
        return Section::Cast;
    if (key == QLatin1String("camera"))
        return Section::Camera;
    if (key == QLatin1String("beats"))
        return Section::Beats;
    return Section::None;
}
