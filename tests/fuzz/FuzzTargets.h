#pragma once

#include <cstddef>
#include <cstdint>

// The fuzzed readers, one entry point each. Both the libFuzzer executables and the corpus replay
// test call these, so a reproducer found by the fuzzer replays under plain CTest. Each takes any
// bytes (decoded as UTF-8, as the client reads project files), must not crash, and aborts when an
// invariant of the reader it drives does not hold. Each returns 0, as libFuzzer expects.
namespace FuzzTargets {

int showYaml(const uint8_t *data, size_t size);
int lockFile(const uint8_t *data, size_t size);
int shotsOutline(const uint8_t *data, size_t size);
int markdownText(const uint8_t *data, size_t size);
// The input is cut at its first NUL byte into base and current text, or in half without one.
int lineDiff(const uint8_t *data, size_t size);

} // namespace FuzzTargets
