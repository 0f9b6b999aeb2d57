#include "core/cut/CutCastMember.h"

#include <QHash>

size_t qHash(const CutCastMember &member, size_t seed)
{
    return qHashMulti(seed, member.ref, member.state.has_value(), member.state.value_or(QString()));
}
