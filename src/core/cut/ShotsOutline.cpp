#include "core/cut/ShotsOutline.h"

#include <QStringList>

#include "core/cut/OutlineKeyValue.h"
#include "core/cut/OutlineLine.h"
#include "core/cut/ShotsOutlineParser.h"

namespace {

bool isDefaultsLine(const OutlineLine &line)
{
    return line.indent == 0 && line.trimmed.startsWith(QLatin1String("defaults:"));
}

// The carriage return of a CR LF line end, so rewritten and inserted lines match their file.
QString lineEndOf(const QString &rawLine)
{
    return rawLine.endsWith(u'\r') ? QStringLiteral("\r") : QString();
}

QString videoModelLine(qsizetype indent, const QString &rawValue, const QString &lineEnd)
{
    return QString(indent, u' ') + QStringLiteral("video_model: ") + rawValue + lineEnd;
}

} // namespace

namespace ShotsOutline {

QList<CutScene> parse(const QString &text)
{
    ShotsOutlineParser parser;
    forEachOutlineLine(text, [&](QStringView raw) { parser.read(OutlineLine::from(raw)); });
    return parser.scenes();
}

std::optional<QString> videoModel(const QString &text)
{
    std::optional<QString> found;
    bool inDefaults = false;
    forEachOutlineLine(text, [&](QStringView raw) {
        const OutlineLine line = OutlineLine::from(raw);
        if (found || line.isSkipped())
            return;
        if (line.indent == 0) {
            inDefaults = isDefaultsLine(line);
            return;
        }
        if (!inDefaults)
            return;
        const std::optional<OutlineKeyValue> pair = OutlineKeyValue::from(line.trimmed);
        if (pair && pair->key == QLatin1String("video_model"))
            found = pair->value;
    });
    return found;
}

QString settingVideoModel(const QString &text, const QString &rawValue)
{
    QStringList lines = text.split(u'\n');
    qsizetype defaultsIndex = -1;
    qsizetype lastChild = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const OutlineLine line = OutlineLine::from(lines.at(i));
        if (line.isSkipped())
            continue;
        if (defaultsIndex < 0) {
            if (isDefaultsLine(line))
                defaultsIndex = i;
            continue;
        }
        if (line.indent == 0)
            break;
        if (line.trimmed.startsWith(QLatin1String("video_model:"))) {
            lines[i] = videoModelLine(line.indent, rawValue, lineEndOf(lines.at(i)));
            return lines.join(u'\n');
        }
        lastChild = i;
    }
    if (defaultsIndex < 0)
        return text;
    if (lastChild < 0) {
        lines.insert(defaultsIndex + 1,
                     videoModelLine(2, rawValue, lineEndOf(lines.at(defaultsIndex))));
    } else {
        const qsizetype indent = OutlineLine::from(lines.at(lastChild)).indent;
        lines.insert(lastChild + 1,
                     videoModelLine(indent, rawValue, lineEndOf(lines.at(lastChild))));
    }
    return lines.join(u'\n');
}

} // namespace ShotsOutline
