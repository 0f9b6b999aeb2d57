#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The one gate between a project path (from the index, a tab, or the agent) and the file
// system. Every operation that writes, trashes or reveals something in a clone goes through
// `resolve`, so no path can reach outside the clone or into its repository.
namespace ClonePath {

// A clean relative path: not empty, no leading "/", pieces separated by single "/" and none of
// them empty, "." or ".." or ".git" (in any letter case: no repository, nested ones included);
// no backslash, no NUL.
bool isClean(QStringView relative);

// `root` + "/" + `relative` when the path is clean and its deepest existing component, links
// resolved, lies inside the clone and outside its `.git` folder. Components that do not exist
// yet (a file about to be written) are fine; a dangling link is not. Nothing otherwise, also
// when `root` itself cannot be resolved.
std::optional<QString> resolve(const QString &root, const QString &relative);

} // namespace ClonePath
