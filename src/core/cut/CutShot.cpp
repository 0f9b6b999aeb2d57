#include "core/cut/CutShot.h"

#include <QHash>

size_t qHash(const CutShot &shot, size_t seed)
{
    seed = qHashMulti(seed, shot.id, shot.duration, shot.intent.has_value(),
                      shot.intent.value_or(QString()), shot.camera.has_value());
    if (shot.camera)
        seed = qHash(*shot.camera, seed);
    return qHashMulti(seed, shot.cast, shot.beats);
}
