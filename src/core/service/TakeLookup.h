#pragma once

#include <QList>
#include <QString>

#include "core/service/Take.h"

// What `lookupTakes` returns: the shot's input hash as the service computes it and its takes
// for those inputs, already pointed at local or fresh media.
struct TakeLookup {
    QString inputHash;
    QList<Take> takes;

    bool operator==(const TakeLookup &) const = default;
};
