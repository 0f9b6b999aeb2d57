#include "TurnScript.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Long enough for any client timeout a test wants to provoke, short enough that a stuck stream
// cannot hold a server thread for good.
constexpr int longestPauseMs = 30000;

std::optional<TurnScript::Step> stepFromJson(const QJsonValue &value, QString *error)
{
    if (!value.isObject()) {
        *error = QStringLiteral("every step must be an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    TurnScript::Step step;
    if (object.contains(u"pauseMs")) {
        const QJsonValue pause = object.value(u"pauseMs");
        if (!pause.isDouble() || pause.toDouble() < 0 || pause.toDouble() > longestPauseMs) {
            *error = QStringLiteral("pauseMs must be a number of milliseconds from 0 to %1")
                         .arg(longestPauseMs);
            return std::nullopt;
        }
        step.pauseMs = pause.toInt();
    }
    const int kinds = int(object.contains(u"event")) + int(object.contains(u"line")) +
                      int(object.contains(u"drop"));
    if (kinds > 1) {
        *error = QStringLiteral("a step holds at most one of event, line and drop");
        return std::nullopt;
    }
    if (object.contains(u"event")) {
        if (!object.value(u"event").isObject()) {
            *error = QStringLiteral("event must be an object");
            return std::nullopt;
        }
        step.line = "data: " +
                    QJsonDocument(object.value(u"event").toObject()).toJson(QJsonDocument::Compact);
    } else if (object.contains(u"line")) {
        const QString line = object.value(u"line").toString();
        if (!object.value(u"line").isString() || line.contains(u'\n')) {
            *error = QStringLiteral("line must be a string without line feeds");
            return std::nullopt;
        }
        step.line = line.toUtf8();
    } else if (object.contains(u"drop")) {
        if (object.value(u"drop") != QJsonValue(true)) {
            *error = QStringLiteral("drop must be true");
            return std::nullopt;
        }
        step.drop = true;
    }
    return step;
}

} // namespace

std::optional<TurnScript> TurnScript::fromJson(const QJsonObject &object, QString *error)
{
    TurnScript script;
    if (object.contains(u"status")) {
        const double status = object.value(u"status").toDouble(-1);
        if (!object.value(u"status").isDouble() || status < 200 || status > 599 ||
            status != double(int(status))) {
            *error = QStringLiteral("status must be an HTTP status from 200 to 599");
            return std::nullopt;
        }
        script.status = int(status);
    }
    if (object.contains(u"body")) {
        if (!object.value(u"body").isString()) {
            *error = QStringLiteral("body must be a string");
            return std::nullopt;
        }
        script.body = object.value(u"body").toString().toUtf8();
    }
    if (object.contains(u"contentType")) {
        const QString type = object.value(u"contentType").toString();
        if (type.isEmpty() || type.contains(u'\n') || type.contains(u'\r')) {
            *error = QStringLiteral("contentType must be a one-line string");
            return std::nullopt;
        }
        script.contentType = type.toUtf8();
    }
    if (object.contains(u"steps")) {
        if (!object.value(u"steps").isArray()) {
            *error = QStringLiteral("steps must be an array");
            return std::nullopt;
        }
        for (const QJsonValue &value : object.value(u"steps").toArray()) {
            std::optional<Step> step = stepFromJson(value, error);
            if (!step)
                return std::nullopt;
            script.steps.append(*step);
        }
    }
    return script;
}

void TurnScript::addEvent(const QJsonObject &event, int pauseMs)
{
    steps.append(
        Step{pauseMs, "data: " + QJsonDocument(event).toJson(QJsonDocument::Compact), false});
}
