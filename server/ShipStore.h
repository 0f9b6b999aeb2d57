#pragma once

#include <QList>
#include <QString>

#include "ShipRecord.h"

class Database;

// The `ships` table: releases are only ever added.
class ShipStore {
public:
    explicit ShipStore(Database &db)
        : m_db(db)
    {
    }

    void insert(const ShipRecord &ship, const QString &userId);
    // The project's releases, newest first.
    QList<ShipRecord> shipsOf(const QString &org, const QString &slug);

private:
    Database &m_db;
};
