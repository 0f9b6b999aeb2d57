#pragma once

#include <mutex>
#include <optional>

#include <QHash>
#include <QString>

#include "TurnScript.h"

// Scripted turns set through the test hook, one waiting per device token: the next chat turn
// made with that token plays the script instead of the demo agent, once. Keyed by token so that
// tests running side by side never take each other's script.
class PendingTurns {
public:
    void set(const QString &token, const TurnScript &script);
    std::optional<TurnScript> take(const QString &token);

private:
    std::mutex m_mutex;
    QHash<QString, TurnScript> m_scripts;
};
