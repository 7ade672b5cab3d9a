// LeakSanitizer notes for the outside libraries that every test program may load: what they
// keep on purpose for the life of the process is not a leak of ours.
#include <glib.h>

#if defined(__SANITIZE_ADDRESS__)
#include <link.h>

#include <cstddef>
#include <cstring>

// From the sanitizer runtime's allocator interface (GCC ships no header for it).
extern "C" int __sanitizer_get_ownership(const volatile void* p);
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);

// Fontconfig keeps its configuration, loaded once by Pango for the virtual card's caption,
// for the life of the process. Built in, so it holds however the tests are started.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

// GLib allocates its first quark table (2048 pointers) in its library constructor and, by
// design, never frees a table it has outgrown; GStreamer registers more quarks than that.
// LeakSanitizer cannot tell that block from a real leak (GLib has no frame pointers, so the
// report's stack ends in g_malloc). Keeping a pointer to it here makes it reachable. It must
// be found before anything outgrows it, so this runs before the program's own initialisers.
const void* volatile gFirstQuarkTable = nullptr;

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

__attribute__((constructor(102))) void KeepFirstQuarkTableReachable() { dl_iterate_phdr(FindQuarkTable, nullptr); }

}  // namespace
#endif
