#pragma once

#include <optional>

#include <QString>
#include <QtGlobal>

// One timed moment of a shot: an action, a spoken line, or both.
struct CutBeat {
    std::optional<qint64> at; // seconds into the shot
    std::optional<QString> action;
    std::optional<QString> character; // an entity reference
    std::optional<QString> line;
    bool offscreen = false;

    // For example: at 2s: Ada enters Ada (O.S.): “Hello?”
    QString label() const;

    bool operator==(const CutBeat &) const = default;
};

size_t qHash(const CutBeat &beat, size_t seed = 0);
