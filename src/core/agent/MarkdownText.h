#pragma once

#include <QList>
#include <QStringView>

#include "core/agent/MarkdownBlock.h"
#include "core/agent/MarkdownListItem.h"

// The line-based block parser behind the transcript and the markdown preview. Not a full
// markdown implementation: no nesting, block quotes, indented code or setext headings. Inline
// markup (emphasis, code spans, links) stays in the block texts for the renderer.
namespace MarkdownText {

// The blocks of `text` in document order. Total: any text, however malformed, gives a result.
// Lines are cut at "\n" only, so a "\r" of CR LF text stays at the end of its line.
QList<Block> blocks(QStringView text);

} // namespace MarkdownText
