#include "tools/qdprofiles/profile_dump.h"

#include <array>
#include <type_traits>

#include "platform/com/guid.h"

namespace {

// One "name": value pair for the field types of the profiles.
class Fields {
public:
    explicit Fields(JsonWriter& json) : json_(json) {}

    template <class T>
    void operator()(const char* name, const T& value) {
        json_.Key(name);
        Value(value);
    }

private:
    void Value(const std::string& text) { json_.Cp932(text); }
    void Value(const std::vector<BYTE>& blob) { json_.Hex(blob); }
    void Value(const GUID& guid) { json_.Utf8(GuidToString(guid)); }
    void Value(double value) { json_.Double(value); }
    template <std::size_t N>
    void Value(const RawBytes<N>& raw) {
        json_.Hex(raw.bytes.data(), N);
    }
    void Value(const AllocatorRequest& a) {
        json_.BeginArray();
        for (LONG member : {a.cBuffers, a.cbBuffer, a.cbAlign, a.cbPrefix}) json_.Number(static_cast<long long>(member));
        json_.EndArray();
    }
    template <class T, std::size_t N>
    void Value(const std::array<T, N>& values) {
        json_.BeginArray();
        for (const T& value : values) Value(value);
        json_.EndArray();
    }
    template <class T>
    std::enable_if_t<std::is_integral_v<T>> Value(T value) {
        if constexpr (std::is_signed_v<T>)
            json_.Number(static_cast<long long>(value));
        else
            json_.Number(static_cast<unsigned long long>(value));
    }

    JsonWriter& json_;
};

void Dump(JsonWriter& json, const CDeviceProfile& p) {
    Fields f(json);
    f("Name", p.Name);
    f("ChannelProfileName", p.ChannelProfileName);
    f("VideoDeviceMoniker", p.VideoDeviceMoniker);
    f("AudioDeviceMoniker", p.AudioDeviceMoniker);
    f("PreviewVideoFilterName", p.PreviewVideoFilterName);
    f("CaptureVideoFilterName", p.CaptureVideoFilterName);
    f("PreviewAudioFilterName", p.PreviewAudioFilterName);
    f("CaptureAudioFilterName", p.CaptureAudioFilterName);
    f("ExcludeItem", p.ExcludeItem);
    f("ApplyPriority", p.ApplyPriority);
    f("DvInfoMask", p.DvInfoMask);
    f("DecoderOutputEnable", p.DecoderOutputEnable);
    f("DecoderTVFormat", p.DecoderTVFormat);
    f("DecoderVCRHorizontalLocking", p.DecoderVCRHorizontalLocking);
    f("InputBass", p.InputBass);
    f("InputEnable", p.InputEnable);
    f("InputLoudness", p.InputLoudness);
    f("InputMixLevel", p.InputMixLevel);
    f("InputMono", p.InputMono);
    f("InputPan", p.InputPan);
    f("InputTreble", p.InputTreble);
    json.Key("Allocators").BeginArray();
    for (const AllocatorGroup& group : p.Allocators) {
        json.BeginObject();
        f("Allocator", group.Allocator);
        f("AllocatorEnable", group.AllocatorEnable);
        json.EndObject();
    }
    json.EndArray();
    f("Crossbar1Routing", p.Crossbar1Routing);
    f("Crossbar2Routing", p.Crossbar2Routing);
    json.Key("VideoFormats").BeginArray();
    for (const VideoStreamFormat& v : p.VideoFormats) {
        json.BeginObject();
        f("Subtype", v.Subtype);
        f("BitRate", v.BitRate);
        f("AvgTimePerFrame", v.AvgTimePerFrame);
        f("BitmapInfoHeader", v.BitmapInfoHeader);
        f("DvInfo", v.DvInfo);
        f("FormatType", v.FormatType);
        f("SourceRect", v.SourceRect);
        f("TargetRect", v.TargetRect);
        f("InterlaceFlags", v.InterlaceFlags);
        f("PictAspectRatioX", v.PictAspectRatioX);
        f("PictAspectRatioY", v.PictAspectRatioY);
        json.EndObject();
    }
    json.EndArray();
    f("TVAudioMode", p.TVAudioMode);
    f("TunerCountryCode", p.TunerCountryCode);
    f("TunerTuningSpace", p.TunerTuningSpace);
    f("TunerMode", p.TunerMode);
    f("TunerConnectedInputType", p.TunerConnectedInputType);
    f("TunerConnectInput", p.TunerConnectInput);
    f("TunerChannel", p.TunerChannel);
    f("TunerVideoSubChannel", p.TunerVideoSubChannel);
    f("TunerAudioSubChannel", p.TunerAudioSubChannel);
    json.Key("Compression").BeginArray();
    for (const VideoCompressionSettings& c : p.Compression) {
        json.BeginObject();
        f("KeyFrameRate", c.KeyFrameRate);
        f("PFramesPerKeyFrame", c.PFramesPerKeyFrame);
        f("Quality", c.Quality);
        f("WindowSize", c.WindowSize);
        f("SetKeyFrameRate", c.SetKeyFrameRate);
        f("SetPFramesPerKeyFrame", c.SetPFramesPerKeyFrame);
        f("SetQuality", c.SetQuality);
        f("SetWindowSize", c.SetWindowSize);
        json.EndObject();
    }
    json.EndArray();
    f("ProcAmpValue", p.ProcAmpValue);
    f("ProcAmpFlags", p.ProcAmpFlags);
    const std::pair<const char*, DWORD> graph[] = {
        {"PreviewSizeMode", p.PreviewSizeMode},
        {"PreviewWidth", p.PreviewWidth},
        {"PreviewHeight", p.PreviewHeight},
        {"CaptureSizeMode", p.CaptureSizeMode},
        {"CaptureWidth", p.CaptureWidth},
        {"CaptureHeight", p.CaptureHeight},
        {"PreviewVideoMode", p.PreviewVideoMode},
        {"CaptureVideoMode", p.CaptureVideoMode},
        {"PreviewAudioMode", p.PreviewAudioMode},
        {"CaptureAudioMode", p.CaptureAudioMode},
        {"PreviewCCMode", p.PreviewCCMode},
        {"CaptureCCMode", p.CaptureCCMode},
        {"UseSmartTee", p.UseSmartTee},
        {"DvType2", p.DvType2},
        {"DvDiscardHalfFrames", p.DvDiscardHalfFrames},
        {"PreviewNoVideoPort", p.PreviewNoVideoPort},
        {"CaptureNoVideoPort", p.CaptureNoVideoPort},
        {"PreviewVideoTimestamped", p.PreviewVideoTimestamped},
        {"PreviewAudioTimestamped", p.PreviewAudioTimestamped},
        {"PreviewViaCapturePin", p.PreviewViaCapturePin},
        {"VideoFilterPreview", p.VideoFilterPreview},
        {"AudioFilterPreview", p.AudioFilterPreview},
        {"PreviewPinTypeOrder", p.PreviewPinTypeOrder},
        {"CapturePinTypeOrder", p.CapturePinTypeOrder},
        {"StillChangeResolution", p.StillChangeResolution},
        {"StillForceRGB24", p.StillForceRGB24},
        {"StillWidth", p.StillWidth},
        {"StillHeight", p.StillHeight},
        {"StreamTimeCorrection", p.StreamTimeCorrection},
        {"StreamTimeUseDisplayTime", p.StreamTimeUseDisplayTime},
    };
    for (const auto& [name, value] : graph) f(name, value);
    f("StreamTimeDisplayTime", p.StreamTimeDisplayTime);
    f("MixerDevice", p.MixerDevice);
    f("MixerSource", p.MixerSource);
    f("MixerVolume", p.MixerVolume);
    f("MixerMute", p.MixerMute);
    f("MixerSavedVolume", p.MixerSavedVolume);
    f("MixerSavedMute", p.MixerSavedMute);
    f("MixerEnable", p.MixerEnable);
    f("UseCustomClock", p.UseCustomClock);
    f("AdjustClockSpeed", p.AdjustClockSpeed);
    f("ClockSpeed", p.ClockSpeed);
    f("UseClockDelta", p.UseClockDelta);
    f("ClockDelta", p.ClockDelta);
    f("AudioCaptureFormat", p.AudioCaptureFormat);
    f("AudioPreviewFormat", p.AudioPreviewFormat);
}

void Dump(JsonWriter& json, const CCompressorProfile& p) {
    Fields f(json);
    f("Name", p.Name);
    f("Kind", p.Kind);
    if (p.Kind == CCompressorProfile::KindCodecFilters) {
        f("VideoCompressorName", p.VideoCompressorName);
        f("AudioCompressorName", p.AudioCompressorName);
        f("VideoCompressorMoniker", p.VideoCompressorMoniker);
        f("AudioCompressorMoniker", p.AudioCompressorMoniker);
        f("KeyFrameRate", p.KeyFrameRate);
        f("PFramesPerKeyFrame", p.PFramesPerKeyFrame);
        f("Quality", p.Quality);
        f("WindowSize", p.WindowSize);
        f("DataRate", p.DataRate);
        f("SetKeyFrameRate", p.SetKeyFrameRate);
        f("SetPFramesPerKeyFrame", p.SetPFramesPerKeyFrame);
        f("SetQuality", p.SetQuality);
        f("SetWindowSize", p.SetWindowSize);
        f("SetDataRate", p.SetDataRate);
        f("VideoDialogState", p.VideoDialogState);
        f("SaveVideoConfig", p.SaveVideoConfig);
        f("ConnectVideoInput", p.ConnectVideoInput);
        f("DiscardVideoEveryTime", p.DiscardVideoEveryTime);
        f("VideoFilterState", p.VideoFilterState);
        f("AudioOutputFormat", p.AudioOutputFormat);
        f("RestrictAudioFormat", p.RestrictAudioFormat);
        f("ConnectAudioInput", p.ConnectAudioInput);
        f("DiscardAudioEveryTime", p.DiscardAudioEveryTime);
        f("AudioFilterState", p.AudioFilterState);
    } else if (p.Kind == CCompressorProfile::KindWindowsMedia) {
        f("WMProfileName", p.WMProfileName);
        f("WMDeinterlaceMode", p.WMDeinterlaceMode);
        f("WMInverseTelecine", p.WMInverseTelecine);
        f("WMIndex", p.WMIndex);
    }
}

void Dump(JsonWriter& json, const CMuxProfile& p) {
    Fields f(json);
    f("Name", p.Name);
    f("MuxMode", p.MuxMode);
    f("TruncateMode", p.TruncateMode);
    f("VideoStartTime", p.VideoStartTime);
    f("AudioStartTime", p.AudioStartTime);
    f("MSMasterStream", p.MSMasterStream);
    f("MSCompatIndex", p.MSCompatIndex);
    f("InterleaveMode", p.InterleaveMode);
    f("InterleavePeriod", p.InterleavePeriod);
    f("AudioPreroll", p.AudioPreroll);
    f("SplitMaxFiles", p.SplitMaxFiles);
    f("SplitMaxFileSizeMB", p.SplitMaxFileSizeMB);
    f("VideoBuffers", p.VideoBuffers);
    f("Reserved1", p.Reserved1);
    f("SplitVideoFrames", p.SplitVideoFrames);
    f("SplitAudioFrames", p.SplitAudioFrames);
    f("DropThreshold", p.DropThreshold);
    f("MaxConcurrentWrites", p.MaxConcurrentWrites);
    f("Reserved2", p.Reserved2);
    f("AudioSyncEnable", p.AudioSyncEnable);
    f("AudioSyncThreshold", p.AudioSyncThreshold);
    f("AudioSyncSensitivity", p.AudioSyncSensitivity);
    f("AudioSyncStartTime", p.AudioSyncStartTime);
    f("SplitMode", p.SplitMode);
    f("VideoDelayHandling", p.VideoDelayHandling);
    f("AudioDelayHandling", p.AudioDelayHandling);
    f("VideoTimeProperty", p.VideoTimeProperty);
    f("AudioTimeProperty", p.AudioTimeProperty);
    f("NoDroppedFirstFrame", p.NoDroppedFirstFrame);
    f("ForcedAudioSyncPoint", p.ForcedAudioSyncPoint);
    f("ZeroFillPadding", p.ZeroFillPadding);
    f("FpsHandling", p.FpsHandling);
    f("SampleRateHandling", p.SampleRateHandling);
    f("OwnMasterStream", p.OwnMasterStream);
    f("AvgTimePerFrame", p.AvgTimePerFrame);
    f("SamplingFrequency", p.SamplingFrequency);
    f("SetAvgTimePerFrame", p.SetAvgTimePerFrame);
    f("SetSamplingFrequency", p.SetSamplingFrequency);
    f("DiscardNegativeVideo", p.DiscardNegativeVideo);
    f("DiscardNegativeAudio", p.DiscardNegativeAudio);
    f("ChangeVideoOutputFormat", p.ChangeVideoOutputFormat);
    f("ChangeAudioOutputFormat", p.ChangeAudioOutputFormat);
}

void Dump(JsonWriter& json, const CChannelProfile& p) {
    Fields f(json);
    f("Name", p.Name);
    json.Key("Entries").BeginArray();
    for (const CChannelEntry& e : p.Entries) {
        json.BeginObject();
        f("ReceiveNumber", e.ReceiveNumber);
        f("DisplayNumber", e.DisplayNumber);
        f("StationName", e.StationName);
        f("Selectable", e.Selectable);
        json.EndObject();
    }
    json.EndArray();
}

void Dump(JsonWriter& json, const CRecordProfile& p) {
    Fields f(json);
    f("Device", p.Device);
    f("Compressor", p.Compressor);
    f("Mux", p.Mux);
    f("Comment", p.Comment);
    f("Dir", p.Dir);
    f("File", p.File);
    f("FileMode", p.FileMode);
    f("StartTime", p.StartTime);
    f("StopTime", p.StopTime);
    f("LastTime", p.LastTime);
    f("SpinUp", p.SpinUp);
    f("Wday", p.Wday);
    f("Channel", p.Channel);
    f("AudioMode", p.AudioMode);
    f("State", p.State);
}

void Dump(JsonWriter& json, const CFilterProfile& p) {
    Fields f(json);
    f("Name", p.Name);
    json.Key("Nodes").BeginArray();
    for (const CFilterNode& node : p.Nodes) {
        json.BeginObject();
        f("FilterName", node.FilterName);
        f("FilterMoniker", node.FilterMoniker);
        f("FilterState", node.FilterState);
        json.EndObject();
    }
    json.EndArray();
}

void Dump(JsonWriter& json, const COptionProfile& o) {
    Fields f(json);
    f("MovieDir", o.MovieDir);
    f("MovieFile", o.MovieFile);
    f("StillDir", o.StillDir);
    f("StillFile", o.StillFile);
    f("LogFile", o.LogFile);
    const std::pair<const char*, DWORD> words[] = {
        {"MovieNaming", o.MovieNaming},
        {"StillNaming", o.StillNaming},
        {"StillNumber", o.StillNumber},
        {"CaptureTimeLimit", o.CaptureTimeLimit},
        {"StopDelay", o.StopDelay},
        {"WakeMinutesBefore", o.WakeMinutesBefore},
        {"StandbyMinMinutes", o.StandbyMinMinutes},
        {"CapturePriority", o.CapturePriority},
        {"OtherPriority", o.OtherPriority},
        {"CaptureTimeLimitEnable", o.CaptureTimeLimitEnable},
        {"AllowFullScreenWhileCapturing", o.AllowFullScreenWhileCapturing},
        {"PseudoFileSize", o.PseudoFileSize},
        {"RestoreWindowOnReservation", o.RestoreWindowOnReservation},
        {"TimeShiftEnable", o.TimeShiftEnable},
        {"WriteLog", o.WriteLog},
        {"OverwriteLog", o.OverwriteLog},
        {"NoScreenSaverWhileCapturing", o.NoScreenSaverWhileCapturing},
        {"NoScreenSaverWhilePreviewing", o.NoScreenSaverWhilePreviewing},
        {"KeepMonitorOnWhileCapturing", o.KeepMonitorOnWhileCapturing},
        {"KeepMonitorOnWhilePreviewing", o.KeepMonitorOnWhilePreviewing},
        {"NoSuspendWhileBuildingGraph", o.NoSuspendWhileBuildingGraph},
        {"NoSuspendWhileRunning", o.NoSuspendWhileRunning},
        {"TimeShiftMixer", o.TimeShiftMixer},
        {"TrayIcon", o.TrayIcon},
        {"AutoRestoreMinimize", o.AutoRestoreMinimize},
        {"AspectX", o.AspectX},
        {"AspectY", o.AspectY},
        {"PowerAction", o.PowerAction},
        {"PowerSavingArmed", o.PowerSavingArmed},
        {"AutoRestoreMinimizeCopy", o.AutoRestoreMinimizeCopy},
        {"GraphRunning", o.GraphRunning},
        {"AlwaysOnTop", o.AlwaysOnTop},
        {"ReservationsEnabled", o.ReservationsEnabled},
    };
    for (const auto& [name, value] : words) f(name, value);
}

// "current": the 0-based position of the current profile or -1 (only for files that store it).
template <class T>
void DumpList(JsonWriter& json, const char* fileName, const ProfileList<T>& list, const T* current,
              bool withSelection) {
    json.Key(fileName).BeginObject();
    if (withSelection) {
        long long position = -1;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == current) position = static_cast<long long>(i);
        json.Key("current").Number(position);
    }
    json.Key("profiles").BeginArray();
    for (const auto& profile : list) {
        json.BeginObject();
        Dump(json, *profile);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

}  // namespace

void DumpStore(const CProfileStore& store, JsonWriter& json) {
    json.BeginObject();
    DumpList(json, kDeviceFileName, store.DeviceProfiles, store.CurrentDevice, true);
    DumpList(json, kCompressorFileName, store.CompressorProfiles, store.CurrentCompressor, true);
    DumpList<CChannelProfile>(json, kChannelFileName, store.ChannelProfiles, nullptr, false);
    DumpList(json, kMuxFileName, store.MuxProfiles, store.CurrentMux, true);
    DumpList<CRecordProfile>(json, kRecordFileName, store.RecordProfiles, nullptr, false);
    DumpList(json, kVideoFilterFileName, store.VideoFilterProfiles, store.CurrentVideoFilter, true);
    DumpList(json, kAudioFilterFileName, store.AudioFilterProfiles, store.CurrentAudioFilter, true);
    json.Key(kOptionFileName).BeginObject();
    Dump(json, store.Options);
    json.EndObject();
    json.EndObject();
}
