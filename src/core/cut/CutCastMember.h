#pragma once

#include <optional>

#include <QString>

// One character in a shot, by entity reference (such as "characters/ada"), with the state the
// character is in for that shot.
struct CutCastMember {
    QString ref;
    std::optional<QString> state;

    bool operator==(const CutCastMember &) const = default;
};

size_t qHash(const CutCastMember &member, size_t seed = 0);
