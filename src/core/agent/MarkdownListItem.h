#pragma once

#include <QString>

namespace MarkdownText {

// One line of a list block.
struct ListItem {
    QString marker; // "•" for a bullet item; the item's number followed by "." for an ordered one
    QString body;

    bool operator==(const ListItem &) const = default;
};

} // namespace MarkdownText

Q_DECLARE_TYPEINFO(MarkdownText::ListItem, Q_RELOCATABLE_TYPE);
