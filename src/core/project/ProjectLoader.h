#pragma once

#include <optional>

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>

#include "core/project/LoadedProject.h"
#include "core/project/ProjectFile.h"

// Reads a local clone into the project tree in one pass. `root` is the clone folder's path;
// `dir` and `path` are relative to it ("/"-separated). Nothing outside the clone is ever read:
// a symbolic link whose target lies outside the clone is skipped like an unreadable file, and
// links to folders are not followed (they could loop); the folders the loader names itself
// (bible, characters, ...) may be links that stay inside the clone.
namespace ProjectLoader {

// The clone's project as plain values; core/session/ProjectLoader.h's `load` makes the
// window's session of it. Throws GitError when slatebox.yaml cannot be read ("slatebox.yaml
// could not be read: " and the file system's reason) or has no valid type (ShowYaml's error).
LoadedProject read(const QString &root, const QString &org, const QString &slug);

// slatebox.yaml, slatebox.lock, then the other regular files of the root by name, all as text.
QList<ProjectFile> rootFiles(const QString &root);
// Every file below `dir`, flat, sorted by path; binary files by extension, without bytes.
QList<ProjectFile> filesInDirectory(const QString &dir, const QString &root);
// One group per subfolder of `dir` (named by displayName), then the loose files of `dir`.
QList<ProjectFile> folderGroups(const QString &dir, const QString &root);
// The tree below one group folder: subfolders and files together in path order.
QList<ProjectFile> nestedFiles(const QString &dir, const QString &root);
// One UTF-8 text file, or nothing when it cannot be read or is not valid UTF-8.
std::optional<ProjectFile> file(const QString &path, const QString &root);

// Whether the file name's extension, lower-cased, is one of binaryExtensions().
bool isBinaryFile(const QString &filePath);
// "mara-quinn" -> "Mara Quinn": pieces between hyphens, each capitalised, joined by spaces.
QString displayName(QStringView name);
// The thirteen image and audio extensions whose bytes the loader never reads.
const QSet<QString> &binaryExtensions();

} // namespace ProjectLoader
