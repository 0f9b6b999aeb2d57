#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/cut/CutShot.h"

// One scene of the outline. An insert scene splices in another deliverable's cut: it has
// `insert` set, no shots, and an id made up from its position and reference.
struct CutScene {
    QString id;
    std::optional<QString> slugline;
    QList<CutShot> shots;
    std::optional<QString> insert;

    bool operator==(const CutScene &) const = default;
};

size_t qHash(const CutScene &scene, size_t seed = 0);
