#pragma once

#include <QString>

// The display name of an entity reference: "characters/old-tom" gives "Old Tom". The last
// non-empty path piece is named like a project folder.
QString cutEntityName(const QString &ref);
