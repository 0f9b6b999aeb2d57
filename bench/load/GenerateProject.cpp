// Writes a synthetic project clone for the load benchmark: the loader's folder layout with
// about 10,000 files and 100 MB of markdown, fountain and YAML text, a manifest listing 1,500
// deliverables, a few images and some hidden files. The output depends only on the version and
// the fixed seed, so every run measures the same bytes.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/PseudoText.h"
#include "common/SeededRandom.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view generatorVersion = "load-project 1";

constexpr std::uint64_t seed = 0x5EED5EED5EED5EEDULL;

const std::vector<std::string_view> words{
    "harbour", "light",  "night",   "tide",    "keeper",  "rope",  "salt",   "window",
    "street",  "rain",   "engine",  "lantern", "quiet",   "voice", "ledger", "signal",
    "café",    "naïve",  "señora",  "—",       "déjà",    "storm", "ferry",  "island",
    "slowly",  "turns",  "towards", "the",     "a",       "and",   "of",     "with",
    "camera",  "pushes", "in",      "on",      "her",     "his",   "hands",  "door",
    "INT.",    "EXT.",   "DAY",     "NIGHT",   "CUT TO:", "beat",  "Mara",   "Quinn"};

class Generator {
public:
    explicit Generator(fs::path root)
        : m_root(std::move(root))
    {
    }

    void write(const std::string &relative, const std::string &text)
    {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(text.data(), std::streamsize(text.size()));
        ++m_files;
        m_bytes += text.size();
    }

    // Prose of about `size` bytes: lines of pseudo-words, some of them beyond ASCII.
    std::string prose(std::size_t size, std::string_view heading)
    {
        std::string text;
        text.reserve(size + 128);
        text.append(heading).append("\n\n");
        while (text.size() < size) {
            const std::size_t count = 6 + m_random.below(12);
            text.append(PseudoText::words(m_random, words, count));
            text.append(m_random.below(5) == 0 ? "\n\n" : "\n");
        }
        return text;
    }

    std::string shots(std::size_t size, const std::string &slug)
    {
        std::string text = "defaults:\n  video_model: seedance-2.5\nscenes:\n";
        for (int scene = 1; text.size() < size; ++scene) {
            text += "  - id: " + slug + "-s" + std::to_string(scene) + "\n";
            text += "    slugline: INT. HARBOUR OFFICE - NIGHT\n    shots:\n";
            for (int shot = 1; shot <= 6; ++shot) {
                text += "      - id: s" + std::to_string(scene) + "-0" + std::to_string(shot) +
                        "\n        duration: " + std::to_string(2 + m_random.below(8)) +
                        "\n        intent: " + prose(40, "").substr(2, 60);
                while (text.back() == '\n')
                    text.pop_back();
                text += "\n        cast:\n          - ref: characters/mara-quinn\n";
            }
        }
        return text;
    }

    // Sizes spread around `mean` bytes, so files differ as in a real project.
    std::size_t around(std::size_t mean) { return mean / 2 + m_random.below(mean); }

    SeededRandom &random() { return m_random; }
    std::size_t files() const { return m_files; }
    std::size_t bytes() const { return m_bytes; }

private:
    fs::path m_root;
    SeededRandom m_random{seed};
    std::size_t m_files = 0;
    std::size_t m_bytes = 0;
};

std::string twoDigits(int n)
{
    std::string digits = std::to_string(n);
    if (n < 10) {
        digits.insert(digits.begin(), '0');
    }
    return digits;
}

std::string threeDigits(int n)
{
    return std::string(n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n);
}

struct Deliverable {
    std::string slug;
    std::string kind;
    int season; // 0: none
    int number;
};

std::vector<Deliverable> deliverables()
{
    std::vector<Deliverable> list;
    for (int season = 1; season <= 14; ++season) {
        const std::string prefix = std::string("s").append(twoDigits(season));
        list.push_back({prefix + "-opening", "opening", season, 0});
        list.push_back({prefix + "-recap", "recap", season, 0});
        for (int episode = 1; episode <= 97; ++episode)
            list.push_back({prefix + "e" + threeDigits(episode), "episode", season, episode});
        list.push_back({prefix + "-credits", "credits", season, 0});
    }
    for (int promo = 1; promo <= 100; ++promo)
        list.push_back({"promo-" + threeDigits(promo), "promo", 0, 0});
    return list;
}

std::string manifest(const std::vector<Deliverable> &list)
{
    std::string text = "type: series\ntitle: Harbour Lights\ndeliverables:\n";
    for (const Deliverable &d : list) {
        text +=
            "  - slug: " + d.slug + "\n    kind: " + d.kind + "\n    title: \"" + d.slug + "\"\n";
        if (d.season)
            text += "    season: " + std::to_string(d.season) + "\n";
        if (d.number)
            text += "    number: " + std::to_string(d.number) + "\n";
    }
    return text;
}

void generate(const fs::path &root)
{
    Generator gen(root);
    const std::vector<Deliverable> list = deliverables();
    gen.write("slatebox.yaml", manifest(list));
    gen.write("slatebox.lock", gen.prose(4000, "pins:"));
    gen.write("README.md", gen.prose(6000, "# Harbour Lights"));
    gen.write("NOTES.md", gen.prose(3000, "# Notes"));
    gen.write(".slatebox/scorecard.yaml", gen.prose(2000, "score:"));
    gen.write(".DS_Store", "hidden");

    for (std::size_t i = 0; i < list.size(); ++i) {
        const Deliverable &d = list[i];
        if (i % 50 == 49)
            continue; // a deliverable whose folder is missing
        const std::string dir = "deliverables/" + d.slug + "/";
        gen.write(dir + "script.fountain", gen.prose(gen.around(34000), "Title: " + d.slug));
        gen.write(dir + "shots.yaml", gen.shots(gen.around(9000), d.slug));
        gen.write(dir + "notes.md", gen.prose(gen.around(4000), "# Notes"));
        if (i % 3 == 0)
            gen.write(dir + "boards/board-" + d.slug + ".md", gen.prose(gen.around(3000), "#"));
    }

    for (int i = 1; i <= 2000; ++i)
        gen.write("bible/part-" + twoDigits(i % 10) + "/entry-" + threeDigits(i % 1000) + "-" +
                      std::to_string(i) + ".md",
                  gen.prose(gen.around(12000), "# Bible entry"));
    for (int c = 1; c <= 300; ++c) {
        const std::string dir = "characters/character-" + threeDigits(c) + "/";
        gen.write(dir + "profile.md", gen.prose(gen.around(6000), "# Profile"));
        gen.write(dir + "voice.md", gen.prose(gen.around(3000), "# Voice"));
        gen.write(dir + "arc.md", gen.prose(gen.around(3000), "# Arc"));
        gen.write(dir + "history.md", gen.prose(gen.around(3000), "# History"));
        gen.write(dir + "looks/wardrobe.md", gen.prose(gen.around(2000), "# Wardrobe"));
        gen.write(dir + "looks/makeup.md", gen.prose(gen.around(2000), "# Makeup"));
        if (c % 30 == 0)
            gen.write(dir + "looks/reference.PNG", "\x89PNG\r\n\x1a\n not a real image");
    }
    for (int l = 1; l <= 200; ++l) {
        const std::string dir = "locations/location-" + threeDigits(l) + "/";
        gen.write(dir + "description.md", gen.prose(gen.around(5000), "# Location"));
        gen.write(dir + "sound.md", gen.prose(gen.around(2000), "# Sound"));
        gen.write(dir + "light.md", gen.prose(gen.around(2000), "# Light"));
        gen.write(dir + "access.md", gen.prose(gen.around(2000), "# Access"));
        gen.write(dir + "photos/scout.md", gen.prose(gen.around(2000), "# Scout"));
        if (l % 20 == 0)
            gen.write(dir + "photos/scout.jpg", "\xff\xd8\xff not a real image");
    }
    for (int r = 1; r <= 100; ++r)
        gen.write(".slatebox/rules/rule-" + threeDigits(r) + ".md",
                  gen.prose(gen.around(2000), "# Rule"));
    for (int s = 1; s <= 100; ++s)
        gen.write(".slatebox/skills/skill-" + threeDigits(s) + ".md",
                  gen.prose(gen.around(2000), "---\ndescription: A skill\n---"));

    std::printf("%zu files, %.1f MB\n", gen.files(), double(gen.bytes()) / (1024.0 * 1024.0));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s --version | OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    if (std::string_view(argv[1]) == "--version") {
        std::printf("%.*s\n", int(generatorVersion.size()), generatorVersion.data());
        return 0;
    }
    generate(argv[1]);
    return 0;
}
