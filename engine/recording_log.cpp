#include "engine/recording_log.h"

#include <cstdarg>
#include <vector>

#include "profiles/compressor_profile.h"
#include "profiles/device_profile.h"
#include "profiles/mux_profile.h"

bool CRecordingLog::Open(const std::string& path, bool truncate) {
    Close();
    // Binary mode: the CR LF line ends are written by Append itself.
    file_ = std::fopen(path.c_str(), truncate ? "wb" : "ab");
    return file_ != nullptr;
}

void CRecordingLog::Close() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
}

void CRecordingLog::Append(const char* format, ...) {
    if (!file_) return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    std::string lines;
    lines.reserve(text.size() + 16);
    for (int i = 0; i < length; ++i) {
        if (text[static_cast<std::size_t>(i)] == '\n') lines += '\r';
        lines += text[static_cast<std::size_t>(i)];
    }
    std::fwrite(lines.data(), 1, lines.size(), file_);
    std::fflush(file_);
    std::clearerr(file_);
}

void WriteStartBlock(CRecordingLog& log, const std::string& timeText, const CDeviceProfile* device,
                     const CCompressorProfile* compressor, const CMuxProfile* mux) {
    log.Append("%s - StartCapture\n", timeText.c_str());
    log.Append("DeviceProfile - %s", device ? device->Name.c_str() : "");
    log.Append("  CompressorProfile - %s", compressor ? compressor->Name.c_str() : "");
    log.Append("  MuxProfile - %s", mux ? mux->Name.c_str() : "");
    log.Append("\n");
    if (device)
        log.Append("Channel - %ld", static_cast<long>(device->TunerChannel));
    else
        log.Append("Channel - ");
    if (device)
        log.Append("  TVAudio - %ld", static_cast<long>(device->TVAudioMode));
    else
        log.Append("  TVAudio - ");
    log.Append("\n");
}

void WriteStopBlock(CRecordingLog& log, const std::string& timeText, const RecordingStatistics& s, double cpuUsage,
                    DWORD freeMiB) {
    log.Append("%s - StopCapture\n", timeText.c_str());
    log.Append("Captured : %ld  Dropped : %ld  AverageSize : %ld\n", static_cast<long>(s.Captured),
               static_cast<long>(s.Dropped), static_cast<long>(s.AverageSize));
    log.Append("VideoFrames : %lu  AudioFrames : %lu  DropFrames : %lu  AudioSamples : %lu\n",
               static_cast<unsigned long>(s.VideoFrames), static_cast<unsigned long>(s.AudioFrames),
               static_cast<unsigned long>(s.DropFrames), static_cast<unsigned long>(s.AudioSamples));
    log.Append("Insert : %lu  Delete : %lu  Video fps : %f  AudioFrequency : %f\n",
               static_cast<unsigned long>(s.Inserted), static_cast<unsigned long>(s.Deleted), s.VideoFps,
               s.AudioFrequency);
    log.Append("CPUUsage : %f  DiskFreeSpace : %lu\n\n\n", cpuUsage, static_cast<unsigned long>(freeMiB));
}
