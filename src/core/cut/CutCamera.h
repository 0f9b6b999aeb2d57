#pragma once

#include <optional>

#include <QString>

// How a shot is framed; every field is optional because the outline may name any subset.
struct CutCamera {
    std::optional<QString> framing;
    std::optional<QString> angle;
    std::optional<QString> movement;
    std::optional<QString> subject; // an entity reference

    // "wide · low · on Ada"; absent when no field is set.
    std::optional<QString> label() const;

    bool operator==(const CutCamera &) const = default;
};

size_t qHash(const CutCamera &camera, size_t seed = 0);
