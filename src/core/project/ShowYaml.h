#pragma once

#include <optional>
#include <utility>

#include <QString>
#include <QStringList>

#include "core/project/ShowManifest.h"

// The line-based reader and the one in-place editor of `slatebox.yaml`. Not a YAML library:
// it reads exactly the subset the manifest uses and edits without touching other bytes.
namespace ShowYaml {

// Throws GitError("slatebox.yaml has no valid type").
ShowManifest parse(const QString &text);

// Sets the entry's status (and its air date when given); returns `text` unchanged when no
// entry has that slug. Never throws.
QString settingDeliverableStatus(const QString &text, const QString &slug, const QString &status,
                                 const std::optional<QString> &airDate);

struct EntryRange {
    qsizetype start = 0;
    qsizetype end = 0; // one past the entry's last non-blank line
    qsizetype keyIndent = 0;

    bool operator==(const EntryRange &) const = default;
};
std::optional<EntryRange> entryRange(const QStringList &lines, const QString &slug);

// Splits a line at its first ":" into a trimmed key and a trimmed, unquoted value.
std::optional<std::pair<QString, QString>> keyValue(QStringView line);

// Strips tabs and Unicode space separators (category Zs) from both ends, never line breaks:
// a carriage return stays part of the line. The project's other line readers trim the same way.
QStringView trimmed(QStringView text);

} // namespace ShowYaml
