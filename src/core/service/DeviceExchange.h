#pragma once

#include <QString>

#include "core/service/AccountUser.h"

// What the service hands out for a sign-in code: the long-lived device token and its account.
struct DeviceExchange {
    QString token;
    AccountUser user;

    bool operator==(const DeviceExchange &) const = default;
};
