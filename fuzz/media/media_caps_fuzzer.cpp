// Converts arbitrary bytes between media types and GstCaps in both directions. The first byte
// chooses the direction:
//   even: the next four bytes pick the major type, subtype, format type and sample size from
//         the tables below, the rest is the format block (in a block of exactly its length);
//   odd:  the rest is a caps string.
// Neither direction may fault or read past a block; whatever converts must convert back, and
// a second round trip must give the same caps and the same media type.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com/task_memory.h"
#include "platform/media/media_caps.h"

// After the platform headers: GLib's TRUE and FALSE must come after the platform's.
#include <glib/gstdio.h>

namespace {

constexpr GUID kMajorTypes[] = {MEDIATYPE_Video, MEDIATYPE_Audio, MEDIATYPE_Interleaved, MEDIATYPE_Stream};
constexpr GUID kSubtypes[] = {
    MEDIASUBTYPE_YUY2,  MEDIASUBTYPE_UYVY,   MEDIASUBTYPE_I420,   MEDIASUBTYPE_IYUV,   MEDIASUBTYPE_YV12,
    MEDIASUBTYPE_NV12,  MEDIASUBTYPE_RGB24,  MEDIASUBTYPE_RGB32,  MEDIASUBTYPE_RGB565, MEDIASUBTYPE_RGB555,
    MEDIASUBTYPE_MJPG,  MEDIASUBTYPE_dvsd,   MEDIASUBTYPE_PCM,    MEDIASUBTYPE_IEEE_FLOAT,
    FourccSubtype(MakeFourcc('H', '2', '6', '4'))};
constexpr GUID kFormatTypes[] = {FORMAT_VideoInfo, FORMAT_VideoInfo2, FORMAT_WaveFormatEx, FORMAT_DvInfo,
                                 FORMAT_MPEGVideo, FORMAT_None};
// No sample size, an NTSC and a PAL DV frame, one byte.
constexpr ULONG kSampleSizes[] = {0, 120000, 144000, 1};
constexpr std::size_t kTypeHeader = 5;

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], std::uint8_t byte) {
    return table[byte % N];
}

[[noreturn]] void Fail(const char* what, const GstCaps* a, const GstCaps* b) {
    gchar* first = a ? gst_caps_to_string(a) : nullptr;
    gchar* second = b ? gst_caps_to_string(b) : nullptr;
    std::fprintf(stderr, "%s\n  first:  %s\n  second: %s\n", what, first ? first : "(none)",
                 second ? second : "(none)");
    g_free(first);
    g_free(second);
    std::abort();
}

bool g_parsingCaps = false;

// A critical from GLib or GStreamer during a conversion means a call with invalid arguments:
// a fault. The caps parser's own complaints about the malformed strings it is fed are not ours.
void OnLog(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
    if ((level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) == 0 || g_parsingCaps) return;
    std::fprintf(stderr, "%s: %s\n", domain ? domain : "", message);
    std::abort();
}

GstCaps* ParseCaps(const std::string& text) {
    g_parsingCaps = true;
    GstCaps* caps = gst_caps_from_string(text.c_str());
    g_parsingCaps = false;
    return caps;
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    return MediaTypesEqual(a, b) && a.bFixedSizeSamples == b.bFixedSizeSamples &&
           a.bTemporalCompression == b.bTemporalCompression && a.lSampleSize == b.lSampleSize;
}

// Media type -> caps -> media type -> caps: the two caps must be equal.
void MediaTypeRoundTrip(const std::uint8_t* data, std::size_t size) {
    if (size < kTypeHeader) return;
    AM_MEDIA_TYPE type{};
    type.majortype = Pick(kMajorTypes, data[1]);
    type.subtype = Pick(kSubtypes, data[2]);
    type.formattype = Pick(kFormatTypes, data[3]);
    type.lSampleSize = Pick(kSampleSizes, data[4]);
    type.cbFormat = static_cast<ULONG>(size - kTypeHeader);
    // A block of exactly cbFormat bytes, so the address sanitizer sees any read past it.
    if (type.cbFormat != 0) {
        type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
        std::memcpy(type.pbFormat, data + kTypeHeader, type.cbFormat);
    }

    GstCaps* caps = media::CapsFromMediaType(type);
    FreeMediaType(type);
    if (!caps) return;
    if (!gst_caps_is_fixed(caps)) Fail("caps from a media type are not fixed", caps, nullptr);

    AM_MEDIA_TYPE back;
    if (media::MediaTypeFromCaps(caps, &back) != S_OK)
        Fail("caps from a media type do not convert back", caps, nullptr);
    GstCaps* again = media::CapsFromMediaType(back);
    if (!again) Fail("the converted media type gives no caps", caps, nullptr);
    if (!gst_caps_is_equal(caps, again)) Fail("caps change on a round trip", caps, again);
    gst_caps_unref(again);
    gst_caps_unref(caps);
    FreeMediaType(back);
}

// Caps -> media type -> caps -> media type: the two media types must be the same.
void CapsRoundTrip(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    GstCaps* caps = ParseCaps(text);
    if (!caps) return;
    AM_MEDIA_TYPE first;
    const HRESULT hr = media::MediaTypeFromCaps(caps, &first);
    if (FAILED(hr)) {
        if (first.pbFormat || first.cbFormat) Fail("a refused conversion leaves a format block", caps, nullptr);
        gst_caps_unref(caps);
        return;
    }
    GstCaps* back = media::CapsFromMediaType(first);
    if (!back) Fail("a converted media type gives no caps", caps, nullptr);
    AM_MEDIA_TYPE second;
    if (media::MediaTypeFromCaps(back, &second) != S_OK) Fail("caps of a converted media type are refused", caps, back);
    if (!SameMediaType(first, second)) Fail("the media type changes on a round trip", caps, back);
    FreeMediaType(second);
    FreeMediaType(first);
    gst_caps_unref(back);
    gst_caps_unref(caps);
}

std::string g_registryDir;

void RemoveRegistry() {
    if (g_registryDir.empty()) return;
    g_unlink((g_registryDir + "/registry.bin").c_str());
    g_rmdir(g_registryDir.c_str());
}

}  // namespace

// GLib keeps what it interns for good and drops the quark tables it outgrows (the parser makes
// a quark of every field name it meets), and the installed GStreamer's parser leaks on some
// malformed strings. The leak check is for the conversions' own format blocks, which come
// from malloc directly; what GLib allocated is left out of it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Caps need no plugins: scan none, and keep the registry cache out of the home folder.
    char dir[] = "/tmp/qd-media-caps-fuzz-XXXXXX";
    if (!g_mkdtemp(dir)) std::abort();
    g_registryDir = dir;
    std::atexit(RemoveRegistry);
    g_setenv("GST_REGISTRY_1_0", (g_registryDir + "/registry.bin").c_str(), TRUE);
    g_setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "", TRUE);
    g_setenv("GST_PLUGIN_PATH_1_0", "", TRUE);
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    gst_init(nullptr, nullptr);
    g_log_set_default_handler(OnLog, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0)
        MediaTypeRoundTrip(data, size);
    else
        CapsRoundTrip(data, size);
    return 0;
}
