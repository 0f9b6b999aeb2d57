#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// One render of one shot as stored in the `renders` table; its JSON form is the client's `Take`.
struct TakeRecord {
    QString id;
    QString shotId;
    QString inputHash;
    QString status; // "rendering", "succeeded" or "failed"
    std::optional<QString> outputCas;
    std::optional<double> billedUsd;
    QString model;
    QString resolution;
    std::optional<QString> error;
    QString prompt;
    qint64 seed = 0;
    QString createdAt;

    // `outputUrl` is a ready-to-use download link of the video, when there is one.
    QJsonObject toJson(const std::optional<QString> &outputUrl) const;

    bool operator==(const TakeRecord &) const = default;
};
