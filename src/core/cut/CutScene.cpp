#include "core/cut/CutScene.h"

#include <QHash>

size_t qHash(const CutScene &scene, size_t seed)
{
    return qHashMulti(seed, scene.id, scene.slugline.has_value(),
                      scene.slugline.value_or(QString()), scene.shots, scene.insert.has_value(),
                      scene.insert.value_or(QString()));
}
