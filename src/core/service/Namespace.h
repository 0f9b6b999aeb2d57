#pragma once

#include <optional>

#include <QString>

class QJsonObject;

// An organisation the user may create projects in.
struct Namespace {
    QString slug;
    bool personal = false;
    std::optional<QString> name;

    // Strict: throws DecodingError for a missing required key or a value of the wrong type.
    static Namespace fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Namespace &) const = default;
};

size_t qHash(const Namespace &value, size_t seed = 0);
