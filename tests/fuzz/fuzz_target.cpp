// One libFuzzer executable per entry point; VELDRIN_FUZZ_TARGET names it.
#include "fuzz_entries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!veldrin::fuzz::runTarget(veldrin::fuzz::Target::VELDRIN_FUZZ_TARGET, data, size))
        std::abort();
    return 0;
}
