#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

class QJsonValue;
struct AgentModelGroup;

// One model the agent can run on. The process-wide catalogue starts as the built-in list and
// may be replaced once by the service's list; it is read and written on the UI thread only,
// so it carries no lock.
struct AgentModel {
    QString id;
    QString provider;
    QString label;
    QString detail;
    std::optional<qint64> context;

    // Strict: an object with the four strings and, when present and not null, an integral
    // `context`; anything else gives nullopt so the caller can fail the whole answer.
    static std::optional<AgentModel> fromJson(const QJsonValue &value);

    static const QList<AgentModel> &builtInCatalog();
    static const QList<AgentModel> &catalog();
    // One group per distinct `detail`, in order of first appearance; models keep catalogue order.
    static QList<AgentModelGroup> grouped();
    static std::optional<AgentModel> named(QStringView id);
    // An empty list leaves the catalogue as it is: a failed or empty answer must not empty the
    // model menu.
    static void refresh(const QList<AgentModel> &models);

    bool operator==(const AgentModel &) const = default;
};

size_t qHash(const AgentModel &model, size_t seed = 0);
