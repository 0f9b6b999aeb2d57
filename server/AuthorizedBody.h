#pragma once

#include <QJsonObject>

#include "UserRecord.h"

// A POST request that passed both gates every write endpoint has: a valid device token and a
// JSON object body.
struct AuthorizedBody {
    UserRecord user;
    QJsonObject body;
};
