// Colours a whole file through a text document and the editor's highlighter, then writes it to
// standard output as 24-bit ANSI text, as the peer does:
//   highlight_file --markdown|--yaml [--timings] FILE
// Nothing is typeset (see TextDocumentWithoutLayout.h). --timings prints the time of each phase
// to standard error.
#include <cstdio>
#include <optional>
#include <utility>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "TextDocumentWithoutLayout.h"
#include "core/editor/SyntaxHighlighter.h"

namespace {

struct Options {
    SyntaxLanguage language = SyntaxLanguage::Markdown;
    bool timings = false;
    QString path;
};

std::optional<Options> parse(const QStringList &arguments)
{
    Options options;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == u"--markdown")
            options.language = SyntaxLanguage::Markdown;
        else if (argument == u"--yaml")
            options.language = SyntaxLanguage::Yaml;
        else if (argument == u"--timings")
            options.timings = true;
        else if (!argument.startsWith(u"--") && options.path.isEmpty())
            options.path = argument;
        else
            return std::nullopt;
    }
    if (options.path.isEmpty())
        return std::nullopt;
    return options;
}

void appendUtf8(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (code < 0x80) {
            out += char(code);
            continue;
        }
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(char16_t(code), text[++i].unicode());
        else if (QChar::isSurrogate(code))
            code = QChar::ReplacementCharacter;
        if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
        } else {
            out += char(0xF0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3F));
            out += char(0x80 | ((code >> 6) & 0x3F));
        }
        out += char(0x80 | (code & 0x3F));
    }
}

// The escape that selects a format's foreground. The document shares one format object among
// all ranges of the same format, so comparing is mostly comparing pointers.
class Escapes {
public:
    const QByteArray &of(const QTextCharFormat &format)
    {
        for (const auto &[known, escape] : m_known) {
            if (known == format)
                return escape;
        }
        const QColor color = format.foreground().color();
        m_known.append({format, "\x1b[38;2;" + QByteArray::number(color.red()) + ';' +
                                    QByteArray::number(color.green()) + ';' +
                                    QByteArray::number(color.blue()) + 'm'});
        return m_known.last().second;
    }

private:
    QList<std::pair<QTextCharFormat, QByteArray>> m_known;
};

// One escape per coloured range, a reset at every line end.
QByteArray ansi(const QTextDocument &document)
{
    const QString text = document.toRawText();
    QByteArray out;
    out.reserve(text.size() * 4);
    Escapes escapes;
    qsizetype blockStart = 0;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            out += escapes.of(range.format);
            appendUtf8(out, QStringView(text).mid(blockStart + range.start, range.length));
        }
        out += "\x1b[0m\n";
        blockStart += block.length();
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const std::optional<Options> options = parse(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "usage: highlight_file --markdown|--yaml [--timings] FILE\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    QFile file(options->path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "highlight_file: cannot read %s\n", qPrintable(options->path));
        return 1;
    }
    const QString text = QString::fromUtf8(file.readAll());
    const qint64 read = timer.restart();

    // Left to the operating system at exit, like the peer's: tearing down a document of 100,000
    // blocks costs as long as colouring them and is no part of colouring.
    auto *document = new QTextDocument;
    document->setUndoRedoEnabled(false);
    document->setDocumentLayout(new TextDocumentWithoutLayout(document));
    document->setPlainText(text);
    const qint64 loaded = timer.restart();

    new SyntaxHighlighter(document, options->language);
    const qint64 coloured = timer.restart();

    const QByteArray out = ansi(*document);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    const qint64 written = timer.restart();

    if (options->timings) {
        std::fprintf(stderr, "read %lld ms, document %lld ms, colour %lld ms, write %lld ms\n",
                     read, loaded, coloured, written);
    }
    return 0;
}
