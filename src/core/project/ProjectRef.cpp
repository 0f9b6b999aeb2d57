#include "core/project/ProjectRef.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>

namespace {

bool isFolderName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(u'\0'));
}

// Control characters would make the message unreadable; show them as escapes.
QString printable(const QString &name)
{
    QString result;
    for (const QChar c : name) {
        if (c.unicode() < 0x20)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

QString problem(const QString &what, const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("the %1 is empty.").arg(what);
    return QStringLiteral("the %1 \u201C%2\u201D cannot be used as a folder name.")
        .arg(what, printable(name));
}

} // namespace

bool ProjectRef::isValid() const
{
    return isFolderName(org) && isFolderName(slug);
}

QString ProjectRef::validationError() const
{
    const QString prefix = QStringLiteral("This project's location is not valid: ");
    if (!isFolderName(org))
        return prefix + problem(QStringLiteral("organisation slug"), org);
    if (!isFolderName(slug))
        return prefix + problem(QStringLiteral("project slug"), slug);
    return QString();
}

QString ProjectRef::localURL() const
{
    if (!isValid())
        return QString();
    return QDir::homePath() + QStringLiteral("/Slatebox/") + org + u'/' + slug;
}

bool ProjectRef::isCloned() const
{
    if (!isValid())
        return false;
    const QFileInfo manifest(localURL() + QStringLiteral("/slatebox.yaml"));
    return manifest.isFile() || manifest.isDir();
}

QJsonObject ProjectRef::toJson() const
{
    return QJsonObject{{QStringLiteral("org"), org}, {QStringLiteral("slug"), slug}};
}

std::optional<ProjectRef> ProjectRef::fromJson(const QJsonObject &object)
{
    const QJsonValue org = object.value(QStringLiteral("org"));
    const QJsonValue slug = object.value(QStringLiteral("slug"));
    if (!org.isString() || !slug.isString())
        return std::nullopt;
    return ProjectRef{org.toString(), slug.toString()};
}

size_t qHash(const ProjectRef &ref, size_t seed)
{
    return qHashMulti(seed, ref.org, ref.slug);
}
