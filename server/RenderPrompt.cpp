#include "RenderPrompt.h"

#include <QStringList>

#include "core/cut/CutEntityName.h"
#include "core/cut/CutScene.h"

namespace {

QString firstLine(const QString &text)
{
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
            return trimmed.left(160);
    }
    return {};
}

QString castText(const CutShot &shot, const QMap<QString, QString> &appearanceByRef)
{
    QStringList members;
    for (const CutCastMember &member : shot.cast) {
        QString text = cutEntityName(member.ref);
        if (member.state)
            text += u" ("_qs + *member.state + u')';
        if (const QString look = firstLine(appearanceByRef.value(member.ref)); !look.isEmpty())
            text += u" — "_qs + look;
        members << text;
    }
    return members.join(u"; "_qs);
}

} // namespace

QString RenderPrompt::forShot(const CutScene &scene, const CutShot &shot,
                              const QMap<QString, QString> &appearanceByRef)
{
    QStringList parts;
    if (scene.slugline)
        parts << *scene.slugline;
    if (shot.intent)
        parts << *shot.intent;
    if (shot.camera) {
        if (const std::optional<QString> camera = shot.camera->label())
            parts << u"Camera: "_qs + *camera;
    }
    if (!shot.cast.isEmpty())
        parts << u"Cast: "_qs + castText(shot, appearanceByRef);
    QStringList beats;
    for (const CutBeat &beat : shot.beats)
        beats << beat.label();
    if (!beats.isEmpty())
        parts << u"Beats: "_qs + beats.join(u"; "_qs);
    parts << u"%1 seconds."_qs.arg(shot.duration);
    return parts.join(u' ');
}
