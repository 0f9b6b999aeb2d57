#include "core/project/LockFile.h"

#include <algorithm>

#include <QStringList>

#include "core/project/CodePointOrder.h"
#include "core/project/ShowYaml.h"

namespace {

const QString kEmptyText = QStringLiteral("version: 1\npins: {}\n");

qsizetype leadingSpaces(QStringView line)
{
    qsizetype count = 0;
    while (count < line.size() && line[count] == u' ')
        ++count;
    return count;
}

} // namespace

namespace LockFile {

LockPins pins(const QString &text)
{
    LockPins result;
    bool inPins = false;
    std::optional<QString> currentHash;

    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = ShowYaml::trimmed(line);
        if (t.isEmpty() || t.startsWith(u'#'))
            continue;
        const qsizetype indent = leadingSpaces(line);
        if (indent == 0) {
            currentHash.reset();
            inPins = t.startsWith(u"pins:");
        } else if (!inPins) {
            continue;
        } else if (indent == 2 && t.endsWith(u':')) {
            currentHash = unquote(t.chopped(1).toString());
        } else if (currentHash && t.startsWith(u"cas:")) {
            result.insert(*currentHash, unquote(ShowYaml::trimmed(t.mid(4)).toString()));
        }
    }
    return result;
}

QString serialize(const LockPins &pins)
{
    if (pins.isEmpty())
        return kEmptyText;
    QStringList hashes = pins.keys();
    std::sort(hashes.begin(), hashes.end(),
              [](const QString &a, const QString &b) { return CodePointOrder::less(a, b); });
    QString text = QStringLiteral("version: 1\npins:\n");
    for (const QString &hash : std::as_const(hashes))
        text += u"  \"" + hash + u"\":\n    cas: \"" + pins.value(hash) + u"\"\n";
    return text;
}

QString settingPin(const QString &text, const QString &inputHash, const QString &cas)
{
    LockPins current = pins(text);
    current.insert(inputHash, cas);
    return serialize(current);
}

QString removingPin(const QString &text, const QString &inputHash)
{
    LockPins current = pins(text);
    current.remove(inputHash);
    return serialize(current);
}

QString unquote(const QString &text)
{
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        return text.mid(1, text.size() - 2);
    return text;
}

} // namespace LockFile
