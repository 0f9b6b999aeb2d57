#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// A "key: value" line split at its first colon, so a value may hold colons of its own
// ("slugline: INT. HOUSE - 10:30"). Both sides are trimmed of spaces and tabs; a value in double
// quotes loses them and reads \" as a plain quote. Nothing else is unescaped.
struct OutlineKeyValue {
    QStringView key; // a view into the line passed to `from`
    QString value;

    // None when the line has no colon.
    static std::optional<OutlineKeyValue> from(QStringView line);
};
