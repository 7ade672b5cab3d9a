// What the media benchmarks share: CPU time of this process and of finished children, and
// interface queries on the platform's objects.
#pragma once

#include <sys/resource.h>

#include "platform/com/com_object.h"

namespace bench {

inline double CpuSeconds(const rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

inline double ProcessCpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return CpuSeconds(r);
}

template <typename I>
ComPtr<I> As(IUnknown* object) {
    ComPtr<I> out;
    if (object) object->QueryInterface(IidOf<I>(), out.ReleaseAndGetVoidAddress());
    return out;
}

}  // namespace bench
