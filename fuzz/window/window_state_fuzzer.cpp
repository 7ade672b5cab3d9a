// Reads arbitrary bytes as "window.dat". What reads must be written as a file of the current
// version that reads back to the same state; a current-version file of exactly its size must
// be written back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "app/window_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DWORD version = 0;
    const std::optional<WindowState> state = ParseWindowState(std::span(data, size), &version);
    if (!state) return 0;
    const std::vector<BYTE> written = StoreWindowState(*state);
    if (written.size() != kWindowStateBytes) std::abort();
    if (version == kWindowStateVersion && size == kWindowStateBytes && written != std::vector<BYTE>(data, data + size))
        std::abort();
    DWORD writtenVersion = 0;
    const std::optional<WindowState> again = ParseWindowState(written, &writtenVersion);
    if (!again || writtenVersion != kWindowStateVersion || !(*again == *state)) std::abort();
    return 0;
}
