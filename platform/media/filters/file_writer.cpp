#include "platform/media/filters/file_writer.h"

#include <string>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/file_writing.h"

namespace media {

namespace {

class FileWriter final : public ComExtend<GstFilterBase, IFileSinkFilter2> {
public:
    FileWriter(GstElement* bin, GstElement* sink) : ComExtend(CLSID_FileWriter, u"File writer", bin), sink_(sink) {
        // Writing never waits for the clock, and a live graph does not wait for it to preroll.
        g_object_set(sink_, "sync", FALSE, "async", FALSE, nullptr);
        AddPin(AddGhostPad(bin, sink_, "sink", "in"), u"in");
    }
    ~FileWriter() override { FreeMediaType(type_); }

    // ---- IFileSinkFilter ----
    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) override {
        if (!fileName) return E_POINTER;
        const std::u16string name(WideView(fileName));
        if (name.empty()) return E_INVALIDARG;
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        AM_MEDIA_TYPE copy{};
        if (mediaType && FAILED(CopyMediaType(&copy, mediaType))) return E_OUTOFMEMORY;
        std::lock_guard lock(m_Lock);
        g_object_set(sink_, "location", WideToUtf8(name).c_str(), nullptr);
        name_ = name;
        FreeMediaType(type_);
        type_ = copy;
        return S_OK;
    }

    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override {
        if (!fileName) return E_POINTER;
        *fileName = nullptr;
        if (mediaType) *mediaType = AM_MEDIA_TYPE{};
        std::lock_guard lock(m_Lock);
        if (name_.empty()) return E_FAIL;
        *fileName = CoTaskMemDupWide(name_);
        if (!*fileName) return E_OUTOFMEMORY;
        if (mediaType && FAILED(CopyMediaType(mediaType, &type_))) {
            CoTaskMemFree(*fileName);
            *fileName = nullptr;
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    // ---- IFileSinkFilter2 ----
    HRESULT SetMode(DWORD flags) override {
        if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
        std::lock_guard lock(m_Lock);
        mode_ = flags;
        return S_OK;
    }
    HRESULT GetMode(DWORD* flags) override {
        if (!flags) return E_POINTER;
        std::lock_guard lock(m_Lock);
        *flags = mode_;
        return S_OK;
    }

private:
    GstElement* sink_;  // owned by the bin
    std::u16string name_;
    AM_MEDIA_TYPE type_{};
    DWORD mode_ = 0;
};

}  // namespace

HRESULT CreateFileWriter(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* sink = MakeElement("filesink", nullptr);
    if (!AddElements(GST_BIN(bin), {sink})) {
        gst_object_unref(gst_object_ref_sink(bin));
        return E_FAIL;
    }
    return CreateComObject<FileWriter>(riid, object, bin, sink);
}

}  // namespace media
