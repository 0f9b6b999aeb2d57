#pragma once

#include <array>
#include <optional>

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include "core/editor/SyntaxLanguage.h"
#include "core/editor/SyntaxPalette.h"

class QTextBlock;
class QTextDocument;

// Colours a text document with SyntaxColoring, line by line, setting only the foreground colour.
// After every edit each character has the colour that a fresh pass over the whole text gives: a
// Markdown edit that opens, closes or moves the front matter re-colours every line whose place
// (inside or outside the front matter) changed, before and after the edit.
//
// It is owned by its document and bound to it for life. The document reports edits only once it
// has a layout, so one is created when it has none: attach to an editor's document after the
// editor has installed its own layout. Colours follow the application palette: an application
// event filter re-colours the whole text when the palette changes.
class SyntaxHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyntaxHighlighter)

public:
    // Colours the whole text at once. With no language every character gets the label colour.
    SyntaxHighlighter(QTextDocument *document, std::optional<SyntaxLanguage> language);

    std::optional<SyntaxLanguage> language() const { return m_language; }
    // Re-colours the whole text when the language changes.
    void setLanguage(std::optional<SyntaxLanguage> language);

    const SyntaxPalette &palette() const { return m_palette; }
    // Re-colours the whole text when the palette changes; the application palette is followed
    // without calling this.
    void setPalette(const SyntaxPalette &palette);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The edit tracking is wired to the document given at construction.
    using QSyntaxHighlighter::setDocument;

    void noteContentsChange(int from, int charsRemoved, int charsAdded);
    void reconcileFrontMatter();
    void locateFrontMatter();
    void recolourAll();
    void updateFormats();
    bool insideFrontMatter(const QTextBlock &block) const;

    std::optional<SyntaxLanguage> m_language;
    SyntaxPalette m_palette;
    std::array<QTextCharFormat, 5> m_formats;
    // The Markdown front matter, kept up to date before the base class colours an edit: whether
    // the first line is a delimiter, and the number of the block that closes it (-1: none).
    bool m_opened = false;
    int m_closingBlock = -1;
    // After an edit that moved the front matter: blocks up to this number, and the run of blocks
    // still marked as front matter after it, are checked against their block state (-1: none).
    int m_reconcileThrough = -1;
    // Set while this class re-colours: the format-only changes it makes are no edits.
    bool m_recolouring = false;
};
