#pragma once

#include <optional>

#include <QString>

#include "core/service/AgentTurnUsage.h"

// One decoded event of a streamed agent turn. Only the fields of its kind are filled; the rest
// stay empty, so two events compare equal exactly when they say the same thing.
struct AgentChatEvent {
    // In the order the events of one line are delivered.
    enum class Kind { Delta, Reasoning, Status, Tool, Edit, Asset, Delete, Usage, Title, Dropped };

    Kind kind = Kind::Delta;
    // Delta, Reasoning, Title: the text; Dropped: the undecodable line, cut to 200 characters.
    QString text;
    // Status, Tool.
    QString name;
    // Tool; absent wire fields are empty.
    QString detail;
    QString args;
    QString result;
    // Edit, Asset, Delete.
    QString path;
    // Edit.
    QString contents;
    // Asset.
    QString dataBase64;
    // Usage.
    std::optional<AgentTurnUsage> usage;

    static AgentChatEvent delta(QString text);
    static AgentChatEvent reasoning(QString text);
    static AgentChatEvent status(QString name);
    static AgentChatEvent tool(QString name, QString detail, QString args, QString result);
    static AgentChatEvent edit(QString path, QString contents);
    static AgentChatEvent asset(QString path, QString dataBase64);
    static AgentChatEvent deleted(QString path);
    static AgentChatEvent usageReport(AgentTurnUsage usage);
    static AgentChatEvent title(QString text);
    static AgentChatEvent dropped(QString line);

    bool operator==(const AgentChatEvent &) const = default;
};
