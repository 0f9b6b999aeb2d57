#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The two scalar rules shared by the project's line-based YAML readers (manifest, shot list).
namespace YamlScalar {

// A value in double quotes loses them and reads \" as a plain quote; nothing else is unescaped,
// and single quotes are not quotes.
QString unquoted(QStringView value);

// An optional sign and ASCII digits, within qint64; anything else ("1.0", "1st", "") is none.
std::optional<qint64> wholeNumber(QStringView text);

} // namespace YamlScalar
