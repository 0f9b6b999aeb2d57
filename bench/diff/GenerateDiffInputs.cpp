// slatebox-linediff-gen BASE CURRENT LINES spread PERCENT | block COUNT
//
// Writes a script-like text of LINES lines to BASE and a copy with some lines rewritten to
// CURRENT: "spread" rewrites PERCENT % of the lines, one at a pseudo-random place in every
// stretch of 100/PERCENT lines; "block" rewrites COUNT consecutive lines in the middle. The
// same arguments always give the same bytes. About one line in eight is blank and one in
// thirty is a recurring transition line, as in a real screenplay.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SplitMix {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t bound) { return std::size_t(next() % bound); }
};

const char *const kNames[] = {"MARA", "ODELL", "THE CLERK", "JUNO", "FERRIS", "ANIKA"};
const char *const kVerbs[] = {"crosses", "watches", "circles", "leaves", "searches", "guards"};
const char *const kThings[] = {"the yard",         "the ledger",     "the lantern",
                               "the harbour gate", "the signal box", "the archive"};
const char *const kRecurring[] = {"CUT TO:", "---", "(beat)", "SMASH CUT TO:"};

template<typename T, std::size_t N>
const char *pick(SplitMix &random, const T (&words)[N])
{
    return words[random.below(N)];
}

std::string lineFor(SplitMix &random, std::size_t number)
{
    const std::size_t roll = random.below(240);
    if (roll < 30)
        return {};
    if (roll < 38)
        return pick(random, kRecurring);
    return "Line " + std::to_string(number) + ": " + pick(random, kNames) + " " +
           pick(random, kVerbs) + " " + pick(random, kThings) + " and " + pick(random, kThings) +
           ".";
}

bool writeLines(const char *path, const std::vector<std::string> &lines)
{
    std::FILE *file = std::fopen(path, "wb");
    if (!file)
        return false;
    for (const std::string &line : lines) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fputc('\n', file);
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6 || (std::strcmp(argv[4], "spread") != 0 && std::strcmp(argv[4], "block") != 0)) {
        std::fprintf(stderr, "usage: slatebox-linediff-gen BASE CURRENT LINES spread PERCENT | "
                             "block COUNT\n");
        return 2;
    }
    const std::size_t count = std::strtoull(argv[3], nullptr, 10);
    const std::size_t amount = std::strtoull(argv[5], nullptr, 10);
    SplitMix random{0x51a7eb0c5ull};
    std::vector<std::string> base;
    base.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        base.push_back(lineFor(random, i + 1));

    std::vector<std::string> current = base;
    auto rewrite = [&](std::size_t i) {
        current[i] = "Revised " + std::to_string(i + 1) + ": " + base[i];
    };
    if (std::strcmp(argv[4], "spread") == 0) {
        const std::size_t stretch = amount == 0 ? count + 1 : 100 / amount;
        for (std::size_t start = 0; stretch > 0 && start + stretch <= count; start += stretch)
            rewrite(start + random.below(stretch));
    } else {
        const std::size_t first = count > amount ? (count - amount) / 2 : 0;
        for (std::size_t i = first; i < count && i < first + amount; ++i)
            rewrite(i);
    }
    if (!writeLines(argv[1], base) || !writeLines(argv[2], current)) {
        std::fprintf(stderr, "slatebox-linediff-gen: cannot write the files\n");
        return 1;
    }
    return 0;
}
