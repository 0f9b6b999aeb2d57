#pragma once

#include <optional>

#include <QString>
#include <QStringView>
#include <QUuid>

// UUIDs as the saved chats and the transcript links spell them: 36 characters, upper-case hex
// in the 8-4-4-4-12 groups, no braces ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
namespace UuidText {

QString toString(const QUuid &id);
// Accepts either case, but only the bare 36-character form: braces, missing hyphens or stray
// characters give nullopt.
std::optional<QUuid> fromString(QStringView text);

} // namespace UuidText
