// Writes the working files of a synthetic project for the save benchmark: about 10,000 small
// text files (markdown, fountain, YAML) in a project-like folder tree, about 12 MB in all. The
// output depends only on the fixed seed, so every run saves the same bytes.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/PseudoText.h"
#include "common/SeededRandom.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t seed = 0x5A7E5A7E5A7E5A7EULL;

std::string paragraph(SeededRandom &random, std::size_t lines)
{
    std::string text;
    for (std::size_t line = 0; line < lines; ++line) {
        const std::size_t count = 4 + random.below(10);
        text += PseudoText::words(random, PseudoText::harbourWords, count) + '\n';
    }
    return text;
}

void write(const fs::path &root, const std::string &relative, const std::string &text)
{
    const fs::path path = root / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), std::streamsize(text.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    SeededRandom random(seed);
    int files = 0;
    // 100 deliverables × (script, shot list, 96 shot notes) + characters and locations.
    for (int d = 0; d < 100; ++d) {
        const std::string folder = "deliverables/ep" + std::to_string(d) + '/';
        write(root, folder + "script.fountain", paragraph(random, 40));
        write(root, folder + "shots.yaml", paragraph(random, 30));
        files += 2;
        for (int s = 0; s < 96; ++s) {
            write(root, folder + "shots/sh" + std::to_string(s) + ".md", paragraph(random, 8));
            ++files;
        }
    }
    for (int c = 0; c < 200; ++c) {
        write(root, "characters/c" + std::to_string(c) + "/bio.md", paragraph(random, 12));
        ++files;
    }
    std::printf("%d files\n", files);
    return 0;
}
