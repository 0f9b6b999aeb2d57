#include "RenderInputHash.h"

#include <QCryptographicHash>
#include <QStringList>

#include "core/cut/OutlineKeyValue.h"
#include "core/cut/OutlineLine.h"
#include "core/cut/ShotsOutline.h"

namespace {

// The first "- id: <shotId>" item that stands deeper than the scene items of the `scenes:` list.
struct ShotBlockFinder {
    explicit ShotBlockFinder(const QString &id)
        : shotId(id)
    {
    }

    const QString &shotId;
    bool inScenes = false;
    qsizetype sceneIndent = -1;
    qsizetype itemIndent = -1;
    bool done = false;
    QStringList lines;

    void visit(QStringView raw)
    {
        if (done)
            return;
        const OutlineLine line = OutlineLine::from(raw);
        if (line.isSkipped())
            return;
        if (itemIndent >= 0) {
            if (line.indent <= itemIndent) {
                done = true;
                return;
            }
            QStringView own = line.content.sliced(itemIndent);
            while (!own.isEmpty() && (own.back() == u' ' || own.back() == u'\t'))
                own.chop(1);
            lines.append(own.toString());
            return;
        }
        if (line.indent == 0) {
            inScenes = line.trimmed.startsWith(u"scenes:");
            return;
        }
        if (!inScenes || !line.trimmed.startsWith(u"- "))
            return;
        const auto item = OutlineKeyValue::from(line.trimmed.sliced(2));
        if (!item)
            return;
        if (sceneIndent < 0) {
            if (item->key == u"id" || item->key == u"insert")
                sceneIndent = line.indent;
            return;
        }
        if (line.indent > sceneIndent && item->key == u"id" && item->value == shotId) {
            itemIndent = line.indent;
            lines.append(line.trimmed.toString());
        }
    }
};

} // namespace

namespace RenderInputHash {

QString catalogModel(const QString &shotsText)
{
    return ShotsOutline::videoModel(shotsText) == QStringLiteral("seedance-2.5")
               ? QStringLiteral("fal/bytedance/seedance-2.5")
               : QStringLiteral("fal/minimax/h3");
}

std::optional<QString> shotLines(const QString &shotsText, const QString &shotId)
{
    ShotBlockFinder finder(shotId);
    forEachOutlineLine(shotsText, [&](QStringView raw) { finder.visit(raw); });
    if (finder.lines.isEmpty())
        return std::nullopt;
    QString joined;
    for (const QString &line : std::as_const(finder.lines))
        joined += line + u'\n';
    return joined;
}

std::optional<QString> of(const QString &shotsText, const QString &shotId)
{
    const std::optional<QString> lines = shotLines(shotsText, shotId);
    if (!lines)
        return std::nullopt;
    const QByteArray input = (catalogModel(shotsText) + u'\n' + *lines).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(input, QCryptographicHash::Sha256).toHex());
}

} // namespace RenderInputHash
