#include "core/service/AgentChatLine.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTextBoundaryFinder>

#include "core/service/StrictJson.h"

namespace AgentChatLine {

namespace {

constexpr QByteArrayView prefix = "data: ";

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

// A nested object: absent is fine (nullopt, ok), anything but an object is the wrong type.
struct NestedObject {
    bool ok = true;
    std::optional<QJsonObject> object;
};

NestedObject nestedObject(const QJsonObject &event, QStringView key)
{
    const QJsonValue value = event.value(key);
    if (isAbsent(value))
        return {};
    if (!value.isObject())
        return {false, std::nullopt};
    return {true, value.toObject()};
}

std::optional<QString> requiredString(const QJsonObject &object, QStringView key)
{
    const auto field = StrictJson::optionalString(object, key);
    return field.ok ? field.value : std::nullopt;
}

// Appends the events of `event` in delivery order; false when any key has the wrong shape.
bool collectEvents(const QJsonObject &event, QList<AgentChatEvent> &events)
{
    const auto delta = StrictJson::optionalString(event, u"delta");
    const auto reasoning = StrictJson::optionalString(event, u"reasoning");
    const auto status = StrictJson::optionalString(event, u"status");
    const auto title = StrictJson::optionalString(event, u"title");
    if (!delta.ok || !reasoning.ok || !status.ok || !title.ok)
        return false;
    if (delta.value)
        events.append(AgentChatEvent::delta(*delta.value));
    if (reasoning.value)
        events.append(AgentChatEvent::reasoning(*reasoning.value));
    if (status.value)
        events.append(AgentChatEvent::status(*status.value));

    const auto tool = nestedObject(event, u"tool");
    if (!tool.ok)
        return false;
    if (tool.object) {
        const auto name = requiredString(*tool.object, u"name");
        const auto detail = StrictJson::optionalString(*tool.object, u"detail");
        const auto args = StrictJson::optionalString(*tool.object, u"args");
        const auto result = StrictJson::optionalString(*tool.object, u"result");
        if (!name || !detail.ok || !args.ok || !result.ok)
            return false;
        events.append(AgentChatEvent::tool(*name, detail.value.value_or(QString()),
                                           args.value.value_or(QString()),
                                           result.value.value_or(QString())));
    }

    const auto edit = nestedObject(event, u"edit");
    if (!edit.ok)
        return false;
    if (edit.object) {
        const auto path = requiredString(*edit.object, u"path");
        const auto contents = requiredString(*edit.object, u"contents");
        if (!path || !contents)
            return false;
        events.append(AgentChatEvent::edit(*path, *contents));
    }

    const auto asset = nestedObject(event, u"asset");
    if (!asset.ok)
        return false;
    if (asset.object) {
        const auto path = requiredString(*asset.object, u"path");
        const auto data = requiredString(*asset.object, u"dataBase64");
        if (!path || !data)
            return false;
        events.append(AgentChatEvent::asset(*path, *data));
    }

    const auto deleted = nestedObject(event, u"delete");
    if (!deleted.ok)
        return false;
    if (deleted.object) {
        const auto path = requiredString(*deleted.object, u"path");
        if (!path)
            return false;
        events.append(AgentChatEvent::deleted(*path));
    }

    const QJsonValue usageValue = event.value(u"usage");
    if (!isAbsent(usageValue)) {
        auto usage = AgentTurnUsage::fromJson(usageValue);
        if (!usage)
            return false;
        events.append(AgentChatEvent::usageReport(std::move(*usage)));
    }

    if (title.value)
        events.append(AgentChatEvent::title(*title.value));
    return true;
}

Decoded droppedLine(QByteArrayView line)
{
    return Decoded{{AgentChatEvent::dropped(leadingCharacters(
                       QString::fromUtf8(line.data(), line.size()), droppedLineLength))},
                   std::nullopt,
                   false};
}

// The common line of a long reply, `data: {"delta":"…"}` with plain printable ASCII text, read
// without building a JSON document. Anything else (escapes, other keys, spaces, non-ASCII) takes
// the full decoder, so the result is the same either way.
std::optional<QString> plainDelta(QByteArrayView line)
{
    constexpr QByteArrayView head = "data: {\"delta\":\"";
    constexpr QByteArrayView tail = "\"}";
    if (line.size() < head.size() + tail.size() || !line.startsWith(head) || !line.endsWith(tail))
        return std::nullopt;
    const QByteArrayView text = line.sliced(head.size(), line.size() - head.size() - tail.size());
    for (const char c : text) {
        if (c < 0x20 || c > 0x7e || c == '"' || c == '\\')
            return std::nullopt;
    }
    return QString::fromLatin1(text);
}

} // namespace

Decoded decode(QByteArrayView line)
{
    if (!line.startsWith(prefix))
        return {};
    if (std::optional<QString> delta = plainDelta(line))
        return Decoded{{AgentChatEvent::delta(std::move(*delta))}, std::nullopt, false};
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(line.sliced(prefix.size()).toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return droppedLine(line);
    const QJsonObject event = document.object();

    const auto error = StrictJson::optionalString(event, u"error");
    const auto done = StrictJson::optionalBool(event, u"done");
    Decoded decoded;
    if (!error.ok || !done.ok || !collectEvents(event, decoded.events))
        return droppedLine(line);
    if (error.value)
        return Decoded{{}, *error.value, false};
    decoded.done = done.value.value_or(false);
    return decoded;
}

QString leadingCharacters(const QString &line, qsizetype length)
{
    // Every character takes at least one UTF-16 unit, so a short line needs no boundary search.
    if (line.size() <= length)
        return line;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    qsizetype end = 0;
    for (qsizetype count = 0; count < length; ++count) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return line;
        end = next;
    }
    return line.left(end);
}

} // namespace AgentChatLine
