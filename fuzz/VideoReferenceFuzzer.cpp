// Whatever the user may type, through the reduction to a video ID.
#include "fuzz/FuzzInput.h"
#include "request/VideoReference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kIdLength = 11;
    const std::u16string typed = kestrova::fuzz::Utf16From(data, size);
    if (kestrova::ParseVideoReference(typed).size() > kIdLength) {
        __builtin_trap();
    }
    return 0;
}
