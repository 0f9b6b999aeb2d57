#include "core/project/ProjectFile.h"

#include <QHash>

ProjectFile::ProjectFile(QString path, std::optional<QString> name, QString contents,
                         QList<ProjectFile> children, std::optional<QString> labelPrefix,
                         bool isBinary)
    : path(std::move(path))
    , contents(std::move(contents))
    , children(std::move(children))
    , labelPrefix(std::move(labelPrefix))
    , isBinary(isBinary)
{
    this->name = name ? *name : this->path.section(QLatin1Char('/'), -1);
}

bool ProjectFile::operator==(const ProjectFile &other) const
{
    return path == other.path && name == other.name && contents == other.contents &&
           labelPrefix == other.labelPrefix && isBinary == other.isBinary &&
           children == other.children;
}

size_t qHash(const ProjectFile &file, size_t seed)
{
    seed = qHashMulti(seed, file.path, file.name, file.contents, file.isBinary,
                      file.labelPrefix.value_or(QString()), file.labelPrefix.has_value());
    for (const ProjectFile &child : file.children)
        seed = qHash(child, seed);
    return seed;
}
