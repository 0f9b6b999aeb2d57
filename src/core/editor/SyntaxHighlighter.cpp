#include "core/editor/SyntaxHighlighter.h"

#include <algorithm>
#include <utility>

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>

#include "core/editor/SyntaxColoring.h"

namespace {

// Block states: where the line lies. A block's colours depend only on its text and its state, so
// a block whose state is right and whose text did not change needs no new pass.
constexpr int kBodyState = 0;
constexpr int kFrontMatterState = 1;

constexpr std::size_t indexOf(SyntaxRole role)
{
    return static_cast<std::size_t>(role);
}

} // namespace

SyntaxHighlighter::SyntaxHighlighter(QTextDocument *document,
                                     std::optional<SyntaxLanguage> language)
    : QSyntaxHighlighter(static_cast<QObject *>(document))
    , m_language(language)
    , m_palette(SyntaxPalette::fromPalette(QGuiApplication::palette()))
{
    updateFormats();
    if (!document)
        return;
    document->documentLayout();
    // Connected ahead of the base class, so that the front matter is known before it colours the
    // edited blocks; the follow-up runs once the edit has been coloured.
    connect(document, &QTextDocument::contentsChange, this, &SyntaxHighlighter::noteContentsChange);
    setDocument(document);
    connect(document, &QTextDocument::contentsChanged, this,
            &SyntaxHighlighter::reconcileFrontMatter);
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    locateFrontMatter();
    recolourAll();
}

void SyntaxHighlighter::setLanguage(std::optional<SyntaxLanguage> language)
{
    if (language == m_language)
        return;
    m_language = language;
    locateFrontMatter();
    recolourAll();
}

void SyntaxHighlighter::setPalette(const SyntaxPalette &palette)
{
    if (palette == m_palette)
        return;
    m_palette = palette;
    updateFormats();
    recolourAll();
}

void SyntaxHighlighter::highlightBlock(const QString &text)
{
    const bool inside = insideFrontMatter(currentBlock());
    setCurrentBlockState(inside ? kFrontMatterState : kBodyState);
    const QList<SyntaxSpan> spans =
        m_language ? SyntaxColoring::lineSpans(text, *m_language, inside) : QList<SyntaxSpan>();
    for (const SyntaxSpan &run : SyntaxColoring::runs(text.size(), spans))
        setFormat(int(run.start), int(run.length), m_formats[indexOf(run.role)]);
}

bool SyntaxHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange &&
        watched == QCoreApplication::instance())
        setPalette(SyntaxPalette::fromPalette(QGuiApplication::palette()));
    return QSyntaxHighlighter::eventFilter(watched, event);
}

// Blocks before the edit keep their numbers, so the old closing block can be compared with the
// first edited one. Only an edit that reaches the first line or the front matter, or that may
// close an opened one, can change which lines lie inside it.
void SyntaxHighlighter::noteContentsChange(int from, int charsRemoved, int charsAdded)
{
    Q_UNUSED(charsRemoved);
    if (m_recolouring || m_language != SyntaxLanguage::Markdown)
        return;
    const QTextDocument *doc = document();
    const QTextBlock first = doc->findBlock(from);
    QTextBlock last = doc->findBlock(from + charsAdded);
    if (!last.isValid())
        last = doc->lastBlock();
    const int firstEdited = first.isValid() ? first.blockNumber() : 0;
    if (firstEdited > 0 && m_closingBlock >= 0 && firstEdited > m_closingBlock)
        return;
    if (firstEdited > 0 && m_closingBlock < 0) {
        if (!m_opened)
            return;
        // Opened but unclosed: no later line was a delimiter, so only an edited one can close it.
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            if (SyntaxColoring::isDelimiter(block.text())) {
                m_closingBlock = block.blockNumber();
                break;
            }
            if (block == last)
                break;
        }
        if (m_closingBlock < 0)
            return;
    } else {
        locateFrontMatter();
    }
    m_reconcileThrough = std::max({m_reconcileThrough, m_closingBlock, last.blockNumber()});
}

// The base class has coloured the edited blocks and every following block whose state changed.
// Lines whose place changed elsewhere (before the edit, or after an edited block whose state
// happened to stay the same) are found by their stale state. Past the edit and the front matter,
// only the run of blocks still marked as front matter can be stale.
void SyntaxHighlighter::reconcileFrontMatter()
{
    if (m_recolouring || m_reconcileThrough < 0)
        return;
    const int through = std::exchange(m_reconcileThrough, -1);
    if (m_language != SyntaxLanguage::Markdown)
        return;
    m_recolouring = true;
    int number = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid();
         block = block.next(), ++number) {
        if (number > through && block.userState() != kFrontMatterState)
            break;
        const bool inside = m_closingBlock >= 0 && number <= m_closingBlock;
        if (block.userState() != (inside ? kFrontMatterState : kBodyState))
            rehighlightBlock(block);
    }
    m_recolouring = false;
}

void SyntaxHighlighter::locateFrontMatter()
{
    m_opened = false;
    m_closingBlock = -1;
    if (m_language != SyntaxLanguage::Markdown || !document())
        return;
    QTextBlock block = document()->firstBlock();
    m_opened = SyntaxColoring::isDelimiter(block.text());
    if (!m_opened)
        return;
    for (block = block.next(); block.isValid(); block = block.next()) {
        if (SyntaxColoring::isDelimiter(block.text())) {
            m_closingBlock = block.blockNumber();
            return;
        }
    }
}

void SyntaxHighlighter::recolourAll()
{
    m_recolouring = true;
    m_reconcileThrough = -1;
    rehighlight();
    m_recolouring = false;
}

void SyntaxHighlighter::updateFormats()
{
    for (const SyntaxRole role : {SyntaxRole::Label, SyntaxRole::SecondaryLabel, SyntaxRole::Blue,
                                  SyntaxRole::Yellow, SyntaxRole::Pink}) {
        QTextCharFormat format;
        format.setForeground(m_palette.color(role));
        m_formats[indexOf(role)] = format;
    }
}

bool SyntaxHighlighter::insideFrontMatter(const QTextBlock &block) const
{
    return m_language == SyntaxLanguage::Markdown && m_closingBlock >= 0 &&
           block.blockNumber() <= m_closingBlock;
}
