#pragma once

#include <QMap>
#include <QString>

struct CutScene;
struct CutShot;

// The text prompt the demo renderer reports for a shot: scene heading, intent, camera, cast (with
// the first line of each member's appearance text when the request carried one) and beats.
namespace RenderPrompt {

QString forShot(const CutScene &scene, const CutShot &shot,
                const QMap<QString, QString> &appearanceByRef);

} // namespace RenderPrompt
