#pragma once

#include <QList>
#include <QStringView>

#include "core/service/DiffCommit.h"

// Reads the git client's numstat log: per commit, newest first, a header line "<time>\t<summary>"
// and, unless it is a merge, one line "<added>\t<removed>\t<path>" per file ("-" counts for a
// binary file). Lines are separated by "\n".
namespace NumstatLog {

// Never fails: empty lines, lines of another shape and file lines before the first header are
// skipped; a count that is not a decimal integer reads as 0.
QList<DiffCommit> parseNumstatLog(QStringView log);

} // namespace NumstatLog
