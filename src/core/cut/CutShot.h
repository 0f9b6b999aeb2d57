#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QtGlobal>

#include "core/cut/CutBeat.h"
#include "core/cut/CutCamera.h"
#include "core/cut/CutCastMember.h"

// One shot of the outline; `id` is also its identity in lists and on the timeline.
struct CutShot {
    QString id;
    qint64 duration = 0; // whole seconds
    std::optional<QString> intent;
    QList<CutCastMember> cast;
    std::optional<CutCamera> camera;
    QList<CutBeat> beats;

    bool operator==(const CutShot &) const = default;
};

size_t qHash(const CutShot &shot, size_t seed = 0);
