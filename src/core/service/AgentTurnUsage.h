#pragma once

#include <optional>

#include <QtGlobal>

#include <QString>

class QJsonObject;
class QJsonValue;

// Token accounting of one agent turn, as the service reports it and as the saved chats keep it.
struct AgentTurnUsage {
    // Tokens per prompt section; every key is required on the wire.
    struct PromptBreakdown {
        qint64 systemPrompt = 0;
        qint64 toolDefinitions = 0;
        qint64 rules = 0;
        qint64 projectLayout = 0;
        qint64 conversation = 0;

        QJsonObject toJson() const;
        static std::optional<PromptBreakdown> fromJson(const QJsonValue &value);

        bool operator==(const PromptBreakdown &) const = default;
    };

    qint64 inputTokens = 0;
    qint64 outputTokens = 0;
    // The model that actually ran ("auto" resolved).
    QString model;
    std::optional<qint64> contextWindow;
    std::optional<PromptBreakdown> breakdown;

    // Absent optionals are left out.
    QJsonObject toJson() const;
    // Strict: a missing required key or a value of the wrong JSON type gives nullopt; a null
    // optional counts as absent.
    static std::optional<AgentTurnUsage> fromJson(const QJsonValue &value);

    bool operator==(const AgentTurnUsage &) const = default;
};

size_t qHash(const AgentTurnUsage &usage, size_t seed = 0);
