// Writes the benchmark inputs, the same bytes on every machine: `generate_inputs DIR` creates
// DIR/document.md and DIR/document.yaml (5 MB each, every rule of the colouring exercised) and
// DIR/edit.md (50,000 lines of Markdown without front matter).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kDocumentBytes = 5 * 1000 * 1000;
constexpr int kEditLines = 50000;

// A fixed linear congruential generator: std's distributions differ between libraries.
class Sequence {
public:
    std::uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return std::uint32_t(m_state >> 33);
    }
    std::size_t below(std::size_t bound) { return next() % bound; }

private:
    std::uint64_t m_state = 20261211;
};

const std::vector<std::string> kWords = {
    "the",   "camera",  "slowly", "pushes",  "in",      "on",    "Ada",      "who",
    "turns", "away",    "rain",   "against", "window",  "light", "flickers", "scene",
    "cut",   "to",      "black",  "morning", "harbour", "boats", "drift",    "voice",
    "over",  "silence", "café",   "naïve",   "lens",    "35mm",  "frame",
};

std::string words(Sequence &random, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += kWords[random.below(kWords.size())];
    }
    return text;
}

std::string markdownLine(Sequence &random)
{
    switch (random.below(12)) {
    case 0:
        return std::string(1 + random.below(3), '#') + " " + words(random, 2 + random.below(4));
    case 1:
        return "";
    case 2:
        return "- " + words(random, 3) + " **" + words(random, 2) + "** " + words(random, 2);
    case 3:
        return "```";
    case 4:
        return words(random, 4) + " `" + words(random, 1) + "` and `" + words(random, 1) + "`";
    case 5:
        return "> " + words(random, 8);
    case 6:
        return "1. " + words(random, 5) + " __" + words(random, 1) + "__";
    default:
        return words(random, 8 + random.below(10)) + ".";
    }
}

std::string yamlLine(Sequence &random)
{
    switch (random.below(10)) {
    case 0:
        return "- id: shot-" + std::to_string(random.below(1000));
    case 1:
        return "  duration: " + std::to_string(random.below(20)) + "." +
               std::to_string(random.below(10));
    case 2:
        return "  camera: [" + std::to_string(random.below(90)) + ", " +
               std::to_string(random.below(90)) + ", -" + std::to_string(random.below(9)) + "]";
    case 3:
        return "  # " + words(random, 4);
    case 4:
        return "  prompt: \"" + words(random, 10) + "\"";
    case 5:
        return "  cast: [ada, " + kWords[random.below(kWords.size())] + "]";
    case 6:
        return "  time: 10:" + std::to_string(10 + random.below(50));
    case 7:
        return "  beats:";
    default:
        return "    - " + words(random, 6) + " # " + words(random, 2);
    }
}

bool write(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

template<typename Line>
std::string document(Sequence &random, std::string text, Line line)
{
    while (text.size() < kDocumentBytes)
        text += line(random) + "\n";
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_inputs DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Sequence random;
    const std::string frontMatter = "---\ntitle: Pilot\nepisode: 1\ntags: [drama, 2026]\n---\n";
    std::string edit;
    for (int i = 0; i < kEditLines; ++i)
        edit += markdownLine(random) + "\n";
    const bool ok = write(dir + "/document.md", document(random, frontMatter, markdownLine)) &&
                    write(dir + "/document.yaml", document(random, "version: 1\n", yamlLine)) &&
                    write(dir + "/edit.md", edit);
    if (!ok) {
        std::fprintf(stderr, "generate_inputs: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
