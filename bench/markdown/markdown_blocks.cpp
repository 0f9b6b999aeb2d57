// Reads a markdown file, decodes it and splits it into blocks once; prints the block count so
// the work cannot be optimised away.
#include <cstdio>

#include <QFile>
#include <QString>

#include "core/agent/MarkdownText.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.md\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    // Mapped rather than read, so the UTF-8 bytes are not copied before they are decoded.
    const qint64 size = file.size();
    const uchar *bytes = size > 0 ? file.map(0, size) : nullptr;
    const QString text = bytes ? QString::fromUtf8(reinterpret_cast<const char *>(bytes), size)
                               : QString::fromUtf8(file.readAll());
    const QList<MarkdownText::Block> blocks = MarkdownText::blocks(text);
    std::printf("%lld blocks\n", static_cast<long long>(blocks.size()));
    return 0;
}
