#include "core/agent/MarkdownBlock.h"

#include <utility>

namespace MarkdownText {

namespace {

Block ofKind(Block::Kind kind)
{
    Block block;
    block.kind = kind;
    return block;
}

} // namespace

Block Block::paragraph(QString text)
{
    Block block = ofKind(Kind::Paragraph);
    block.text = std::move(text);
    return block;
}

Block Block::heading(int level, QString body)
{
    Block block = ofKind(Kind::Heading);
    block.level = level;
    block.body = std::move(body);
    return block;
}

Block Block::list(QList<ListItem> items)
{
    Block block = ofKind(Kind::List);
    block.items = std::move(items);
    return block;
}

Block Block::code(QString text)
{
    Block block = ofKind(Kind::Code);
    block.text = std::move(text);
    return block;
}

Block Block::note(QString text)
{
    Block block = ofKind(Kind::Note);
    block.text = std::move(text);
    return block;
}

Block Block::table(QList<QStringList> rows)
{
    Block block = ofKind(Kind::Table);
    block.rows = std::move(rows);
    return block;
}

} // namespace MarkdownText
