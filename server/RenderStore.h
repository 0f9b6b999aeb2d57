#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "TakeRecord.h"

class Database;

// The `renders` table. A take is visible to every member of the organisation of the project it
// was rendered for.
class RenderStore {
public:
    explicit RenderStore(Database &db)
        : m_db(db)
    {
    }

    struct NewRender {
        TakeRecord take; // status "rendering"
        QString userId;
        QString org;
        QString slug;
        QString deliverable;
        qint64 dueMs = 0; // when it is to leave "rendering", ms since the epoch
    };
    struct Pending {
        QString id;
        QString shotId;
        QString model;
        qint64 durationSeconds = 0;
        qint64 dueMs = 0;
    };

    void insert(const NewRender &render, qint64 durationSeconds);
    std::optional<TakeRecord> find(const QString &userId, const QString &id);
    // The shot's takes for exactly these inputs, newest first.
    QList<TakeRecord> takes(const QString &userId, const QString &shotId, const QString &inputHash);
    // Every take still "rendering", soonest due first: what a restarted server must finish.
    QList<Pending> pending();
    void finish(const QString &id, const std::optional<QString> &outputCas, double billedUsd,
                const std::optional<QString> &error);

private:
    Database &m_db;
};
