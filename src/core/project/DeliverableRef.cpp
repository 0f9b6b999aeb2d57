#include "core/project/DeliverableRef.h"

#include <QHash>

size_t qHash(const DeliverableRef &deliverable, size_t seed)
{
    seed = qHashMulti(seed, deliverable.slug, deliverable.kind, deliverable.title,
                      deliverable.season.value_or(0), deliverable.season.has_value(),
                      deliverable.number.value_or(0), deliverable.number.has_value());
    for (const ProjectFile &file : deliverable.files)
        seed = qHash(file, seed);
    return seed;
}
