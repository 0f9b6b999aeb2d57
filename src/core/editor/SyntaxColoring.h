#pragma once

#include <optional>

#include <QList>
#include <QStringView>

#include "core/editor/SyntaxLanguage.h"
#include "core/editor/SyntaxSpan.h"

// The colouring rules, over plain text. A line is coloured from its own characters and one fact
// about its place in the text: whether it lies inside a Markdown file's front matter. Every
// character starts as `SyntaxRole::Label`; the spans of a line are listed in the order the rules
// apply them, so later spans win where they overlap.
namespace SyntaxColoring {

// A line whose text without surrounding whitespace is exactly "---".
bool isDelimiter(QStringView line);

QList<SyntaxSpan> markdownLine(QStringView line);
QList<SyntaxSpan> yamlLine(QStringView line);
// A line inside a Markdown file's front matter: its delimiters are dimmed, the rest is YAML.
QList<SyntaxSpan> frontMatterLine(QStringView line);
QList<SyntaxSpan> lineSpans(QStringView line, SyntaxLanguage language, bool insideFrontMatter);

// The end of a Markdown text's front matter (one past the closing delimiter line's terminator),
// or nothing when the first line is no delimiter or no later line closes it.
std::optional<qsizetype> frontMatterEnd(QStringView text);

// A from-scratch pass over a whole text, with spans in text positions. Lines end at "\n", "\r",
// "\r\n" or U+2029, as they do in a text document.
QList<SyntaxSpan> textSpans(QStringView text, SyntaxLanguage language);

// One role per UTF-16 unit of a text of `length` units once `spans` are applied in order.
QList<SyntaxRole> roles(qsizetype length, const QList<SyntaxSpan> &spans);

// The same colouring as ordered, non-overlapping runs that cover all `length` units, neighbours
// of one role merged: each unit is then coloured once.
QList<SyntaxSpan> runs(qsizetype length, const QList<SyntaxSpan> &spans);

} // namespace SyntaxColoring
