// A stand-in for the splitting AVI multiplexer, whose module is built elsewhere: it answers
// the multiplexer's class identifier through a class factory override, records every call of
// its settings interface in order, and takes a video and an audio stream on two inputs that
// discard what they receive (keeping the video's time stamps), so the engine's build runs up to the sink. It has no playback
// outputs.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/module_interfaces.h"
#include "platform/com/class_factory.h"
#include "platform/com/com_object.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/interfaces/file_writing.h"

struct MuxCall {
    int method;  // as numbered in ITalvinAVIMux, counting from 1
    std::vector<double> arguments;
};

class RecordingMuxFake final
    : public ComExtend<media::GstFilterBase, IFileSinkFilter2, ITalvinAVIMux, ITalvinTimeShift> {
public:
    RecordingMuxFake();

    // The time stamps (running time, nanoseconds) of the video buffers that reached the input.
    std::vector<std::int64_t> VideoStamps();
    // From now on the end of stream never reaches the inputs: a writer that never finishes.
    void NeverFinish();

    std::vector<MuxCall> calls;
    std::u16string fileName;
    bool fileNameTypeGiven = false;
    DWORD fileMode = 0;


    // IFileSinkFilter2
    HRESULT SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT SetMode(DWORD flags) override {
        fileMode = flags;
        return S_OK;
    }
    HRESULT GetMode(DWORD* flags) override {
        *flags = fileMode;
        return S_OK;
    }

    // ITalvinAVIMux
    HRESULT SetSplitMaxFiles(DWORD files) override { return Note(1, {static_cast<double>(files)}); }
    HRESULT GetSplitMaxFiles(DWORD*) override { return Note(2, {}, E_NOTIMPL); }
    HRESULT SetSplitMaxFileSize(DWORD megabytes) override { return Note(3, {static_cast<double>(megabytes)}); }
    HRESULT GetSplitMaxFileSize(DWORD*) override { return Note(4, {}, E_NOTIMPL); }
    HRESULT SetVideoBuffers(DWORD buffers, DWORD reserved1) override { return Note(5, {static_cast<double>(buffers), static_cast<double>(reserved1)}); }
    HRESULT GetVideoBuffers(DWORD*, DWORD*) override { return Note(6, {}, E_NOTIMPL); }
    HRESULT SetSplitFrames(DWORD videoFrames, DWORD audioFrames) override { return Note(7, {static_cast<double>(videoFrames), static_cast<double>(audioFrames)}); }
    HRESULT GetSplitFrames(DWORD*, DWORD*) override { return Note(8, {}, E_NOTIMPL); }
    HRESULT SetDropThreshold(double frames) override { return Note(9, {static_cast<double>(frames)}); }
    HRESULT GetDropThreshold(double*) override { return Note(10, {}, E_NOTIMPL); }
    HRESULT SetMaxConcurrentWrites(DWORD writes, DWORD reserved2) override { return Note(11, {static_cast<double>(writes), static_cast<double>(reserved2)}); }
    HRESULT GetMaxConcurrentWrites(DWORD*, DWORD*) override { return Note(12, {}, E_NOTIMPL); }
    HRESULT SetAudioSyncEnable(DWORD enable) override { return Note(13, {static_cast<double>(enable)}); }
    HRESULT GetAudioSyncEnable(DWORD*) override { return Note(14, {}, E_NOTIMPL); }
    HRESULT SetAudioSyncThreshold(double frames) override { return Note(15, {static_cast<double>(frames)}); }
    HRESULT GetAudioSyncThreshold(double*) override { return Note(16, {}, E_NOTIMPL); }
    HRESULT SetAudioSyncSensitivity(DWORD sensitivity) override { return Note(17, {static_cast<double>(sensitivity)}); }
    HRESULT GetAudioSyncSensitivity(DWORD*) override { return Note(18, {}, E_NOTIMPL); }
    HRESULT SetAudioSyncStartTime(REFERENCE_TIME start) override { return Note(19, {static_cast<double>(start)}); }
    HRESULT GetAudioSyncStartTime(REFERENCE_TIME*) override { return Note(20, {}, E_NOTIMPL); }
    HRESULT SetFileLayout(DWORD layout) override { return Note(21, {static_cast<double>(layout)}); }
    HRESULT GetFileLayout(DWORD*) override { return Note(22, {}, E_NOTIMPL); }
    HRESULT SetSplitMode(DWORD splitMode) override { return Note(23, {static_cast<double>(splitMode)}); }
    HRESULT GetSplitMode(DWORD*) override { return Note(24, {}, E_NOTIMPL); }
    HRESULT SetDelayHandling(DWORD video, DWORD audio) override { return Note(25, {static_cast<double>(video), static_cast<double>(audio)}); }
    HRESULT GetDelayHandling(DWORD*, DWORD*) override { return Note(26, {}, E_NOTIMPL); }
    HRESULT SetTimeProperty(DWORD video, DWORD audio) override { return Note(27, {static_cast<double>(video), static_cast<double>(audio)}); }
    HRESULT GetTimeProperty(DWORD*, DWORD*) override { return Note(28, {}, E_NOTIMPL); }
    HRESULT SetNoDroppedFirstFrame(DWORD enable) override { return Note(29, {static_cast<double>(enable)}); }
    HRESULT GetNoDroppedFirstFrame(DWORD*) override { return Note(30, {}, E_NOTIMPL); }
    HRESULT SetForcedAudioSyncPoint(DWORD enable) override { return Note(31, {static_cast<double>(enable)}); }
    HRESULT GetForcedAudioSyncPoint(DWORD*) override { return Note(32, {}, E_NOTIMPL); }
    HRESULT SetZeroFillPadding(DWORD enable) override { return Note(33, {static_cast<double>(enable)}); }
    HRESULT GetZeroFillPadding(DWORD*) override { return Note(34, {}, E_NOTIMPL); }
    HRESULT SetOwnMasterStream(DWORD stream) override { return Note(35, {static_cast<double>(stream)}); }
    HRESULT GetOwnMasterStream(DWORD*) override { return Note(36, {}, E_NOTIMPL); }
    HRESULT SetRateHandling(DWORD fps, DWORD sampleRate) override { return Note(37, {static_cast<double>(fps), static_cast<double>(sampleRate)}); }
    HRESULT GetRateHandling(DWORD*, DWORD*) override { return Note(38, {}, E_NOTIMPL); }
    HRESULT SetDiscardNegative(DWORD video, DWORD audio) override { return Note(39, {static_cast<double>(video), static_cast<double>(audio)}); }
    HRESULT GetDiscardNegative(DWORD*, DWORD*) override { return Note(40, {}, E_NOTIMPL); }
    HRESULT SetSamplingFrequency(DWORD hertz, DWORD use) override { return Note(41, {static_cast<double>(hertz), static_cast<double>(use)}); }
    HRESULT GetSamplingFrequency(DWORD*, DWORD*) override { return Note(42, {}, E_NOTIMPL); }
    HRESULT SetAvgTimePerFrame(REFERENCE_TIME timePerFrame, DWORD use) override { return Note(43, {static_cast<double>(timePerFrame), static_cast<double>(use)}); }
    HRESULT GetAvgTimePerFrame(REFERENCE_TIME*, DWORD*) override { return Note(44, {}, E_NOTIMPL); }
    HRESULT SetChangeOutputFormat(DWORD video, DWORD audio) override { return Note(45, {static_cast<double>(video), static_cast<double>(audio)}); }
    HRESULT GetChangeOutputFormat(DWORD*, DWORD*) override { return Note(46, {}, E_NOTIMPL); }
    HRESULT SetVideoHandler(DWORD fourcc) override { return Note(47, {static_cast<double>(fourcc)}); }
    HRESULT GetVideoHandler(DWORD*) override { return Note(48, {}, E_NOTIMPL); }
    HRESULT GetFileCount(DWORD*) override { return Note(49, {}, E_NOTIMPL); }
    HRESULT GetSyncCounts(DWORD*, DWORD*) override { return Note(50, {}, E_NOTIMPL); }
    HRESULT GetStatistics(DWORD*, DWORD*, DWORD*, DWORD*) override { return Note(51, {}, E_NOTIMPL); }
    HRESULT GetMeasuredRates(double*, double*) override { return Note(52, {}, E_NOTIMPL); }

    // ITalvinTimeShift
    HRESULT SetSpeed(LONG) override { return VFW_E_WRONG_STATE; }
    HRESULT Live() override { return VFW_E_WRONG_STATE; }
    HRESULT PausePlayback() override { return VFW_E_WRONG_STATE; }
    HRESULT GetPosition(LONG*, LONG*) override { return VFW_E_WRONG_STATE; }
    HRESULT Seek(LONG) override { return VFW_E_WRONG_STATE; }

private:
    static void OnVideoBuffer(GstElement*, GstBuffer* buffer, GstPad*, gpointer self);

    std::mutex stampsLock_;
    std::vector<std::int64_t> videoStamps_;

    HRESULT Note(int method, std::vector<double> arguments, HRESULT result = S_OK) {
        calls.push_back(MuxCall{method, std::move(arguments)});
        return result;
    }
};

// Hands out one fake, so the test keeps hold of what the engine was given.
class RecordingMuxFactory final : public ComObject<IClassFactory> {
public:
    RecordingMuxFactory() : fake(MakeComObject<RecordingMuxFake>()) {}
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        return fake->QueryInterface(iid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ComPtr<RecordingMuxFake> fake;
};
