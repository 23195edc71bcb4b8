#include "storage/NetworkFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// Any bytes must read without a crash. A file that reads must write back to
// a text that reads again, and from then on text and record stay fixed: the
// first write may round values to 15 digits, later ones change nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const NetworkFileResult<NetworkFile> first = ReadNetworkFile(bytes);
    if (!first) {
        if (first.error().line < 1)
            std::abort();
        return 0;
    }
    if (!CheckNetworkFile(*first))
        std::abort();

    const std::string written = NetworkFileText(*first);
    const NetworkFileResult<NetworkFile> second = ReadNetworkFile(written);
    if (!second)
        std::abort();
    if (second->InputCount != first->InputCount || second->HiddenCount != first->HiddenCount)
        std::abort();

    const std::string rewritten = NetworkFileText(*second);
    const NetworkFileResult<NetworkFile> third = ReadNetworkFile(rewritten);
    if (!third || !(*third == *second) || NetworkFileText(*third) != rewritten)
        std::abort();
    return 0;
}
