// Writes a `git fast-import` stream of a synthetic project history for the log-numstat
// benchmark: 5,000 commits on main over ~400 text files in 20 folders, each commit editing,
// adding or deleting a few files, with an occasional binary image and a merge every 250
// commits. The stream depends only on the fixed seed, so every run reads the same history.

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/PseudoText.h"
#include "common/SeededRandom.h"

namespace {

constexpr std::uint64_t seed = 0x10C5EED10C5EEDULL;

std::string line(SeededRandom &random)
{
    const std::size_t count = 3 + random.below(9);
    return PseudoText::words(random, PseudoText::harbourWords, count) + '\n';
}

using File = std::vector<std::string>;

std::string join(const File &file)
{
    std::string text;
    for (const std::string &l : file) {
        text += l;
    }
    return text;
}

void data(std::string &out, const std::string &bytes)
{
    out += "data " + std::to_string(bytes.size()) + '\n' + bytes + '\n';
}

void edit(SeededRandom &random, File &file)
{
    const std::size_t changes = 1 + random.below(4);
    for (std::size_t c = 0; c < changes; ++c) {
        const std::size_t at = file.empty() ? 0 : random.below(file.size());
        switch (random.below(3)) {
        case 0:
            file.insert(file.begin() + std::ptrdiff_t(at), line(random));
            break;
        case 1:
            if (!file.empty()) {
                file.erase(file.begin() + std::ptrdiff_t(at));
            }
            break;
        default:
            if (!file.empty()) {
                file[at] = line(random);
            }
        }
    }
}

std::string binary(SeededRandom &random)
{
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; i < 2048; ++i) {
        bytes += char(random.below(256));
    }
    return bytes;
}

} // namespace

int main()
{
    constexpr int commits = 5000;
    SeededRandom random(seed);
    std::map<std::string, File> files;
    std::string out;
    std::int64_t time = 1700000000;
    int mark = 0;
    int sideTip = 0;
    for (int n = 1; n <= commits; ++n) {
        std::string changes;
        if (n == 1) {
            for (int f = 0; f < 400; ++f) {
                const std::string path =
                    "folder" + std::to_string(f % 20) + "/file" + std::to_string(f) + ".md";
                File &file = files[path];
                for (std::size_t l = 0, count = 30 + random.below(50); l < count; ++l) {
                    file.push_back(line(random));
                }
                changes += "M 100644 inline " + path + '\n';
                data(changes, join(file));
            }
        } else {
            const std::size_t edits = 1 + random.below(4);
            for (std::size_t e = 0; e < edits; ++e) {
                auto it = files.begin();
                std::advance(it, std::ptrdiff_t(random.below(files.size())));
                const std::string path = it->first;
                if (random.below(40) == 0 && files.size() > 200) {
                    files.erase(it);
                    changes += "D " + path + '\n';
                    continue;
                }
                edit(random, it->second);
                changes += "M 100644 inline " + path + '\n';
                data(changes, join(it->second));
            }
            if (random.below(25) == 0) {
                const std::string path = "new/file" + std::to_string(n) + ".md";
                File &file = files[path];
                for (int l = 0; l < 10; ++l) {
                    file.push_back(line(random));
                }
                changes += "M 100644 inline " + path + '\n';
                data(changes, join(file));
            }
            if (n % 50 == 0) {
                changes += "M 100644 inline art/plate" + std::to_string(n) + ".png\n";
                data(changes, binary(random));
            }
        }
        time += 60 + std::int64_t(random.below(3600));
        const bool merge = n % 250 == 0 && sideTip != 0;
        // Every 250 commits a side branch gets one commit of its own, merged a little later.
        if (n % 250 == 125) {
            ++mark;
            out += "commit refs/heads/side\nmark :" + std::to_string(mark) + '\n';
            out += "committer Bench <bench@slatebox.test> " + std::to_string(time) + " +0000\n";
            data(out, "Side notes " + std::to_string(n) + '\n');
            out += "from :" + std::to_string(mark - 1) + '\n';
            out += "M 100644 inline side/notes" + std::to_string(n) + ".md\n";
            data(out, line(random) + line(random));
            sideTip = mark;
            time += 30;
        }
        ++mark;
        out += "commit refs/heads/main\nmark :" + std::to_string(mark) + '\n';
        out += "committer Bench <bench@slatebox.test> " + std::to_string(time) + " +0100\n";
        data(out,
             (merge ? "Merge side at " : "Change ") + std::to_string(n) + "\n\n" + line(random));
        if (n > 1) {
            out += "from :" + std::to_string(mark - 1 - (n % 250 == 125 ? 1 : 0)) + '\n';
        }
        if (merge) {
            out += "merge :" + std::to_string(sideTip) + '\n';
            sideTip = 0;
        }
        out += changes;
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
