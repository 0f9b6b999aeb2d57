// The libFuzzer entry of one target; CMake names the target's function in SLATEBOX_FUZZ_ENTRY.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return SLATEBOX_FUZZ_ENTRY(data, size);
}
