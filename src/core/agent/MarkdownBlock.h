#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/agent/MarkdownListItem.h"

namespace MarkdownText {

// One block of a markdown text. Only the fields of its kind are set; the others keep their
// defaults, so two blocks compare equal exactly when kind and payload match.
struct Block {
    enum class Kind { Paragraph, Heading, List, Code, Note, Table };

    Kind kind = Kind::Paragraph;
    int level = 0;           // heading: 1 to 6
    QString text;            // paragraph, code and note
    QString body;            // heading
    QList<ListItem> items;   // list
    QList<QStringList> rows; // table: header first, every row as wide as the widest

    static Block paragraph(QString text);
    static Block heading(int level, QString body);
    static Block list(QList<ListItem> items);
    static Block code(QString text);
    static Block note(QString text);
    static Block table(QList<QStringList> rows);

    bool operator==(const Block &) const = default;
};

} // namespace MarkdownText

// Lists of blocks grow by moving bytes: every member is itself relocatable.
Q_DECLARE_TYPEINFO(MarkdownText::Block, Q_RELOCATABLE_TYPE);
