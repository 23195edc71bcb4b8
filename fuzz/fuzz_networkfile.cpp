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
    const NetworkFileReading first = ReadNetworkFile(bytes);
    if (!first.network) {
        if (first.line < 1 || first.error == NetworkFileError::None)
            std::abort();
        return 0;
    }
    if (NetworkFileProblem(*first.network) != NetworkFileError::None)
        std::abort();

    const std::string written = NetworkFileText(*first.network);
    const NetworkFileReading second = ReadNetworkFile(written);
    if (!second.network)
        std::abort();
    if (second.network->InputCount != first.network->InputCount ||
        second.network->HiddenCount != first.network->HiddenCount)
        std::abort();

    const std::string rewritten = NetworkFileText(*second.network);
    const NetworkFileReading third = ReadNetworkFile(rewritten);
    if (!third.network || !(*third.network == *second.network) || NetworkFileText(*third.network) != rewritten)
        std::abort();
    return 0;
}
