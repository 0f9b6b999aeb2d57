#pragma once

#include <QAbstractTextDocumentLayout>

// A document layout that typesets nothing. The benchmarks measure reading, colouring and writing,
// which is all the peer does. Qt's default layout (QTextDocumentLayout) typesets every block of
// the document on each change, which takes minutes for 5 MB; the editor's view lays out lazily
// and only what it shows.
class TextDocumentWithoutLayout final : public QAbstractTextDocumentLayout {
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;

    void draw(QPainter *, const PaintContext &) override {}
    int hitTest(const QPointF &, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame *) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock &) const override { return {}; }

protected:
    void documentChanged(int, int, int) override {}
};
