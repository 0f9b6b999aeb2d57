// Writes a deterministic markdown document of a given size: what agent replies and project
// documents look like (headings, paragraphs with inline markup and some non-ASCII text, bullet,
// ordered and nested lists, fenced code, pipe tables with ragged rows, quotes and turn notes).
// The same arguments always give the same bytes.
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// xorshift64*: fixed, portable, and independent of the standard library's engines.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }

    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t m_state;
};

constexpr std::array words{
    "the",       "scene",   "shot",   "camera",     "light",      "cut",      "take",  "frame",
    "actor",     "script",  "night",  "street",     "rain",       "window",   "opens", "slowly",
    "we",        "see",     "her",    "hands",      "close",      "wide",     "angle", "lens",
    "dolly",     "pushes",  "in",     "on",         "a",          "and",      "of",    "to",
    "with",      "from",    "into",   "location",   "warm",       "cold",     "blue",  "amber",
    "silence",   "music",   "rises",  "under",      "dialogue",   "episode",  "pilot", "bible",
    "character", "render",  "model",  "prompt",     "continuity", "wardrobe", "props", "morning",
    "kitchen",   "harbour", "café",   "naïve",      "façade",     "über",     "—",     "東京",
    "夜",        "Ωmega",   "résumé", "storyboard", "beat",       "reverse",
};

constexpr std::array codeLines{
    "shots:",
    "  - id: 1A",
    "    camera: wide, slow dolly in",
    "    prompt: \"rain on the window, amber street light\"",
    "    duration: 4.5",
    "for (const auto &shot : scene.shots())",
    "    render(shot, model);",
    "INT. KITCHEN - NIGHT",
    "    # keep the lens at 35mm",
    "",
    "return takes.filter { $0.status == .succeeded }",
};

std::string word(Random &random)
{
    return words[static_cast<std::size_t>(random.below(static_cast<int>(words.size())))];
}

// One phrase, sometimes wrapped in inline markup.
std::string phrase(Random &random)
{
    std::string text = word(random);
    switch (random.below(40)) {
    case 0:
        return "**" + text + " " + word(random) + "**";
    case 1:
        return "*" + text + "*";
    case 2:
        return "`" + text + ".yaml`";
    case 3:
        return "[" + text + "](https://slatebox.test/docs/" + word(random) + ")";
    default:
        return text;
    }
}

std::string sentenceLine(Random &random, int minWords, int maxWords)
{
    std::string line;
    const int count = random.between(minWords, maxWords);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            line += ' ';
        line += phrase(random);
    }
    if (!line.empty())
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    return line + (random.chance(70) ? "." : ",");
}

void heading(Random &random, std::string &out)
{
    out += std::string(static_cast<std::size_t>(random.between(1, 4)), '#');
    out += ' ' + sentenceLine(random, 2, 6) + "\n\n";
}

void paragraph(Random &random, std::string &out)
{
    const int lines = random.between(1, 5);
    for (int i = 0; i < lines; ++i)
        out += sentenceLine(random, 8, 16) + '\n';
    out += '\n';
}

void list(Random &random, std::string &out)
{
    const bool numbered = random.chance(35);
    const int items = random.between(2, 8);
    for (int i = 0; i < items; ++i) {
        const bool nested = i > 0 && random.chance(20);
        if (nested)
            out += "  ";
        if (numbered)
            out += std::to_string(i + 1) + ". ";
        else
            out += random.chance(80) ? "- " : "* ";
        out += sentenceLine(random, 3, 12) + '\n';
    }
    out += '\n';
}

void fence(Random &random, std::string &out)
{
    out += random.chance(50) ? "```yaml\n" : "```\n";
    const int lines = random.between(3, 15);
    for (int i = 0; i < lines; ++i) {
        out +=
            codeLines[static_cast<std::size_t>(random.below(static_cast<int>(codeLines.size())))];
        out += '\n';
    }
    out += "```\n\n";
}

void table(Random &random, std::string &out)
{
    const int columns = random.between(2, 5);
    const int rows = random.between(2, 8);
    for (int c = 0; c < columns; ++c)
        out += "| " + word(random) + ' ';
    out += "|\n";
    for (int c = 0; c < columns; ++c)
        out += random.chance(20) ? "|:---" : "|---";
    out += "|\n";
    for (int r = 0; r < rows; ++r) {
        const int cells = random.chance(15) ? random.between(1, columns) : columns;
        for (int c = 0; c < cells; ++c)
            out += "| " + phrase(random) + ' ';
        out += "|\n";
    }
    out += '\n';
}

void quote(Random &random, std::string &out)
{
    const int lines = random.between(1, 3);
    for (int i = 0; i < lines; ++i)
        out += "> " + sentenceLine(random, 6, 12) + '\n';
    out += '\n';
}

void note(Random &random, std::string &out)
{
    out += random.chance(50) ? "· Thought for " + std::to_string(random.between(1, 40)) + "s\n"
                             : std::string("· Edited shots.yaml\n");
}

void block(Random &random, std::string &out)
{
    const int pick = random.below(100);
    if (pick < 12)
        heading(random, out);
    else if (pick < 50)
        paragraph(random, out);
    else if (pick < 68)
        list(random, out);
    else if (pick < 80)
        fence(random, out);
    else if (pick < 88)
        table(random, out);
    else if (pick < 94)
        quote(random, out);
    else
        note(random, out);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.md MEGABYTES\n", argv[0]);
        return 2;
    }
    const long megabytes = std::strtol(argv[2], nullptr, 10);
    if (megabytes <= 0) {
        std::fprintf(stderr, "MEGABYTES must be a positive number\n");
        return 2;
    }
    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    Random random(0x5EED5A7EB0C5ULL);
    const std::size_t target = static_cast<std::size_t>(megabytes) << 20;
    std::size_t written = 0;
    std::string chunk;
    while (written < target) {
        chunk.clear();
        while (chunk.size() < (1u << 16))
            block(random, chunk);
        written += std::fwrite(chunk.data(), 1, chunk.size(), file);
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
