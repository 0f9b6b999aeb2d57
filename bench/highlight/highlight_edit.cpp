// Times re-colouring after one-character edits in the middle of a document, as typing does:
//   highlight_edit [--edits N] FILE
// Each edit types one letter in the middle of a line near the middle of the document through a
// text cursor (the highlighter colours it before insertText returns) and is then taken back,
// untimed. Prints the median and the best time of one edit in milliseconds.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "TextDocumentWithoutLayout.h"
#include "core/editor/SyntaxHighlighter.h"

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    int edits = 500;
    QString path;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--edits" && i + 1 < arguments.size())
            edits = std::max(1, arguments[++i].toInt());
        else
            path = arguments[i];
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: highlight_edit [--edits N] FILE\n");
        return 2;
    }
    QTextDocument document;
    document.setDocumentLayout(new TextDocumentWithoutLayout(&document));
    document.setPlainText(QString::fromUtf8(file.readAll()));
    new SyntaxHighlighter(&document, SyntaxLanguage::Markdown);

    std::vector<double> times;
    QElapsedTimer timer;
    const int middle = document.blockCount() / 2;
    for (int i = 0; i < edits; ++i) {
        const QTextBlock block = document.findBlockByNumber(middle + i % 64);
        QTextCursor cursor(&document);
        cursor.setPosition(block.position() + (block.length() - 1) / 2);
        timer.start();
        cursor.insertText(QStringLiteral("x"));
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cursor.deletePreviousChar();
    }
    std::sort(times.begin(), times.end());
    std::printf("%.4f %.4f\n", times[times.size() / 2], times.front());
    return 0;
}
