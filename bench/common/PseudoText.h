#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "SeededRandom.h"

// Text of pseudo-words for the generated benchmark inputs.
namespace PseudoText {

// A small screenplay vocabulary, plain ASCII.
inline const std::vector<std::string_view> harbourWords{
    "harbour", "light", "night", "tide",  "keeper", "rope", "salt",   "window", "street",
    "rain",    "ferry", "storm", "quiet", "voice",  "Mara", "Quinn",  "camera", "pushes",
    "in",      "on",    "the",   "a",     "and",    "of",   "slowly", "turns",  "towards"};

// `count` words drawn from `vocabulary`, one space between each, with no line end.
inline std::string words(SeededRandom &random, const std::vector<std::string_view> &vocabulary,
                         std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += vocabulary[random.below(vocabulary.size())];
    }
    return text;
}

} // namespace PseudoText
