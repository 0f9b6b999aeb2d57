#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The one gate between a project path (from the index, a tab, or the agent) and the file
// system. Every operation that writes, trashes or reveals something in a clone goes through
// `resolve`, so no path can reach outside the clone or into its repository.
namespace ClonePath {

// A clean relative path: not empty, no leading "/", pieces separated by single "/" and none of
// them empty, "." or ".."; no backslash, no NUL; neither ".git" nor anything below it (in any
// letter case).
bool isClean(QStringView relative);

// `root` + "/" + `relative` when the path is clean and none of its components that already
// exist is a symbolic link whose target lies outside the clone or inside its `.git` folder.
// Components that do not exist yet (a file about to be written) are fine. Nothing otherwise;
// also nothing when `root` itself cannot be resolved.
std::optional<QString> resolve(const QString &root, const QString &relative);

} // namespace ClonePath
