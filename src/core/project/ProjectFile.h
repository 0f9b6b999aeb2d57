#pragma once

#include <optional>

#include <QList>
#include <QString>

// One node of the project tree: a file, or a group (a folder or a deliverable) with children.
// Identified by its path relative to the clone root ("/"-separated, no leading or trailing "/").
struct ProjectFile {
    QString path;
    QString name; // what the sidebar shows
    QString contents;
    QList<ProjectFile> children;
    std::optional<QString> labelPrefix; // ordinal label of a deliverable group, such as "S1E2:"
    bool isBinary = false;

    ProjectFile() = default;
    // `name` defaults to the last component of `path`.
    explicit ProjectFile(QString path, std::optional<QString> name = std::nullopt,
                         QString contents = {}, QList<ProjectFile> children = {},
                         std::optional<QString> labelPrefix = std::nullopt, bool isBinary = false);

    const QString &id() const { return path; }
    // A node without children is a file everywhere, even an empty folder or deliverable.
    bool isGroup() const { return !children.isEmpty(); }

    // Written out because the defaulted form cannot see through the recursive `children` list.
    bool operator==(const ProjectFile &other) const;
};

size_t qHash(const ProjectFile &file, size_t seed = 0);
