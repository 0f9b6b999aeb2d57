#pragma once

#include <optional>

#include <QString>
#include <QtGlobal>

class QJsonObject;

// One render of one shot as the service reports it. `status` is kept as the service's text:
// only "rendering", "succeeded" and "failed" mean something to the client, any other value reads
// as still in progress.
struct Take {
    QString id;
    QString shotId;
    QString inputHash;
    QString status;
    std::optional<QString> outputUrl;
    std::optional<QString> outputCas;
    std::optional<double> billedUsd;
    std::optional<QString> model;
    std::optional<QString> resolution;
    std::optional<QString> error;
    std::optional<QString> prompt;
    std::optional<qint64> seed;
    QString createdAt;

    // Strict: throws DecodingError for a missing required key or a value of the wrong type (a
    // fraction where the seed belongs included). Writing leaves absent optionals out.
    static Take fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Take &) const = default;
};

size_t qHash(const Take &take, size_t seed = 0);
