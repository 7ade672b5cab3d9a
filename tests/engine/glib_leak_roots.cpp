// Sanitizer notes for test programs that run GStreamer through the engine.
#include "platform/com/types.h"

#include <glib.h>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <link.h>

#include <cstring>

extern "C" int __sanitizer_get_ownership(const volatile void* p);
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);

// Fontconfig keeps its configuration, loaded once by Pango for the card's caption, for the
// life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {
// GLib never frees the first quark table once GStreamer has outgrown it; LeakSanitizer cannot
// tell it from a leak (the stack ends in g_malloc). Holding a pointer keeps it reachable.
const void* gFirstQuarkTable = nullptr;

int FindQuarkTable(dl_phdr_info* info, size_t, void*) {
    if (!std::strstr(info->dlpi_name, "libglib-2.0.so")) return 0;
    const char* first = g_quark_to_string(1);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_W)) continue;
        auto* words = reinterpret_cast<const void* const*>(info->dlpi_addr + segment.p_vaddr);
        for (std::size_t w = 0; w < segment.p_memsz / sizeof(void*); ++w) {
            const void* candidate = words[w];
            if (!__sanitizer_get_ownership(candidate) || __sanitizer_get_allocated_size(candidate) != 2048 * sizeof(void*))
                continue;
            if (static_cast<const char* const*>(candidate)[1] == first) {
                gFirstQuarkTable = candidate;
                return 1;
            }
        }
    }
    return 1;
}

class GlibLeakRoots : public ::testing::Environment {
public:
    void SetUp() override { dl_iterate_phdr(FindQuarkTable, nullptr); }
};
[[maybe_unused]] ::testing::Environment* const kRoots = ::testing::AddGlobalTestEnvironment(new GlibLeakRoots);
}  // namespace
#endif
