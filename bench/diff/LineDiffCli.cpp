// slatebox-linediff BASE CURRENT: diffs two files as the gutter would (the first as the
// baseline) and prints how many lines are marked. Exit status 2 when a file cannot be read.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include <QStringDecoder>
#include <QStringView>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/editor/LineDiff.h"

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr off_t kWindow = off_t(8) << 20; // a multiple of the page size

struct FreeDeleter {
    void operator()(char16_t *data) const { std::free(data); }
};

// A decoded text. The buffer is filled once from start to end, so it is aligned to and advised
// for huge pages where the kernel offers them: a page fault per 2 MB instead of per 4 KB.
struct Text {
    std::unique_ptr<char16_t[], FreeDeleter> buffer;
    qsizetype size = 0;

    QStringView view() const { return QStringView(buffer.get(), size); }
};

std::unique_ptr<char16_t[], FreeDeleter> hugeBuffer(std::size_t units)
{
    const std::size_t bytes =
        std::max(kHugePage, (units * sizeof(char16_t) + kHugePage - 1) / kHugePage * kHugePage);
    auto *data = static_cast<char16_t *>(std::aligned_alloc(kHugePage, bytes));
    if (data)
        madvise(data, bytes, MADV_HUGEPAGE);
    return std::unique_ptr<char16_t[], FreeDeleter>(data);
}

// Whether the bytes end inside a UTF-8 sequence.
bool endsIncomplete(const uchar *bytes, std::size_t size)
{
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const uchar byte = bytes[size - back];
        if ((byte & 0xC0) != 0x80) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back;
        }
    }
    return false;
}

// The file is mapped a window at a time and decoded straight into a buffer sized for the worst
// case (UTF-16 never has more units than UTF-8 has bytes): the bytes are never copied and at
// most one window of them is resident. Invalid bytes become U+FFFD, as in QString::fromUtf8.
std::optional<Text> decodeFile(int fd, std::size_t size)
{
    Text text;
    text.buffer = hugeBuffer(size);
    if (!text.buffer)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    auto *out = reinterpret_cast<QChar *>(text.buffer.get());
    for (off_t offset = 0; std::size_t(offset) < size; offset += kWindow) {
        const auto length = std::size_t(std::min<off_t>(kWindow, off_t(size) - offset));
        void *mapped = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, offset);
        if (mapped == MAP_FAILED)
            return std::nullopt;
        const auto *bytes = static_cast<const uchar *>(mapped);
        out = decoder.appendToBuffer(out, QByteArrayView(bytes, qsizetype(length)));
        // The decoder keeps an unfinished sequence for the next window; at the end of the file
        // it stands for one replacement character.
        if (std::size_t(offset) + length == size && endsIncomplete(bytes, length))
            *out++ = QChar::ReplacementCharacter;
        munmap(mapped, length);
    }
    text.size = out - reinterpret_cast<QChar *>(text.buffer.get());
    return text;
}

std::optional<Text> readText(const char *path)
{
    const int fd = open(path, O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<Text> text;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        text = decodeFile(fd, std::size_t(status.st_size));
    close(fd);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: slatebox-linediff BASE CURRENT\n");
        return 2;
    }
    const std::optional<Text> base = readText(argv[1]);
    const std::optional<Text> current = readText(argv[2]);
    if (!base || !current) {
        std::fprintf(stderr, "slatebox-linediff: cannot read %s (a regular UTF-8 file)\n",
                     base ? argv[2] : argv[1]);
        return 2;
    }
    const LineDiff::Result result = LineDiff::compute(base->view(), current->view());
    qsizetype added = 0;
    for (const LineDiff::Mark mark : result.marks)
        added += mark == LineDiff::Mark::Added;
    std::printf("marked %lld lines: %lld modified, %lld added; %lld deletion gaps\n",
                static_cast<long long>(result.marks.size()),
                static_cast<long long>(result.marks.size() - added), static_cast<long long>(added),
                static_cast<long long>(result.deletions.size()));
    return 0;
}
