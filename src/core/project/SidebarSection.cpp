#include "core/project/SidebarSection.h"

#include <QHash>

size_t qHash(const SidebarSection &section, size_t seed)
{
    seed = qHashMulti(seed, section.id, section.title);
    for (const ProjectFile &item : section.items)
        seed = qHash(item, seed);
    return seed;
}
