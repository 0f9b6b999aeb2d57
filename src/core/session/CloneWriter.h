#pragma once

#include <QString>

// Writes a session's text into its clone, only ever inside it: every path goes through
// ClonePath first, so an absolute path, "." or ".." pieces, a backslash, the repository's own
// `.git` folder or a symbolic link leading out of the clone is never written.
namespace CloneWriter {

enum class Outcome {
    Written,
    Refused, // the path does not stay inside the clone; nothing was touched
};

// Creates the folders above `root`/`path`, then replaces the file atomically with `text` as
// UTF-8 (a temporary file renamed over the old one). Throws GitError naming the path and the
// file system's reason when a folder or the file cannot be written.
Outcome write(const QString &root, const QString &path, const QString &text);

} // namespace CloneWriter
