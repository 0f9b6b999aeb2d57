#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QUuid>

#include "core/agent/SavedChat.h"

// The chats file of one project: its conversations in tab order and the tab that was shown.
struct SavedChats {
    static constexpr qint64 CurrentVersion = 2;
    // The version an older single-chat file is read as.
    static constexpr qint64 SingleChatVersion = 1;

    qint64 version = CurrentVersion;
    std::optional<QUuid> activeId;
    QList<SavedChat> chats;

    // Compact JSON: "version", "activeId" (when present) and "chats".
    QByteArray encode() const;
    // The current layout, or else an older file holding one chat object at the top level (read
    // as version 1 with that chat and no active id). Nothing when neither decodes.
    static std::optional<SavedChats> decode(const QByteArray &bytes);

    bool operator==(const SavedChats &) const = default;
};
