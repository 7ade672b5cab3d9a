// The profile store: the seven profile lists, the options and the current selections, read
// from and written to the eight archive files in the profile directory.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "profiles/channel_profile.h"
#include "profiles/compressor_profile.h"
#include "profiles/device_profile.h"
#include "profiles/filter_profile.h"
#include "profiles/mux_profile.h"
#include "profiles/option_profile.h"
#include "profiles/profile_file.h"
#include "profiles/profile_message_sink.h"
#include "profiles/record_profile.h"

inline constexpr const char* kDeviceFileName = "device.dat";
inline constexpr const char* kCompressorFileName = "compressor.dat";
inline constexpr const char* kChannelFileName = "channel.dat";
inline constexpr const char* kMuxFileName = "mux.dat";
inline constexpr const char* kRecordFileName = "record.dat";
inline constexpr const char* kVideoFilterFileName = "videofilter.dat";
inline constexpr const char* kAudioFilterFileName = "audiofilter.dat";
inline constexpr const char* kOptionFileName = "option.dat";

// A file that did not load: where reading stopped and where the file was put.
struct ProfileLoadFailure {
    std::string FileName;
    std::size_t Offset = 0;
    std::string Reason;
    std::string SetAsideAs;  // the new name in the profile directory; empty when left in place
};

class CProfileStore {
public:
    // `profileDirectory` ends with '/'. `messages` may be null (the texts are then dropped).
    explicit CProfileStore(std::string profileDirectory, IProfileMessageSink* messages = nullptr);
    ~CProfileStore();
    CProfileStore(const CProfileStore&) = delete;
    CProfileStore& operator=(const CProfileStore&) = delete;

    // Reads the eight files, then imports the reservations left in the registry.
    void LoadProfiles();
    // Writes the eight files, then mirrors the profile names into the registry.
    void SaveProfiles();
    // Deletes every profile of the seven lists; the current selections become null.
    void FreeProfiles();

    // How a file that fails to load is treated: put aside under a time-stamped name so that
    // the next save cannot overwrite it, or left where it is (for tools that only read).
    enum class DamagedFiles { SetAside, LeaveInPlace };
    // The file halves of LoadProfiles and SaveProfiles, without the registry.
    void LoadProfileFiles(DamagedFiles damaged = DamagedFiles::SetAside);
    // True when every file was written.
    bool SaveProfileFiles();

    const std::vector<ProfileLoadFailure>& LoadFailures() const { return loadFailures_; }
    const std::string& ProfileDirectory() const { return profileDirectory_; }
    void ShowMessage(const std::string& text) const;

    ProfileList<CDeviceProfile> DeviceProfiles;
    ProfileList<CCompressorProfile> CompressorProfiles;
    ProfileList<CChannelProfile> ChannelProfiles;
    ProfileList<CMuxProfile> MuxProfiles;
    ProfileList<CRecordProfile> RecordProfiles;
    ProfileList<CFilterProfile> VideoFilterProfiles;
    ProfileList<CFilterProfile> AudioFilterProfiles;
    COptionProfile Options;

    // Non-owning; each points into its list or is null.
    CDeviceProfile* CurrentDevice = nullptr;
    CCompressorProfile* CurrentCompressor = nullptr;
    CMuxProfile* CurrentMux = nullptr;
    CFilterProfile* CurrentVideoFilter = nullptr;
    CFilterProfile* CurrentAudioFilter = nullptr;
    CChannelProfile* CurrentChannel = nullptr;  // not stored

private:
    enum class FileRead { Missing, Failed, Read };
    FileRead ReadProfileFile(const char* fileName, std::vector<BYTE>& bytes) const;
    template <class T>
    void LoadList(const char* fileName, ProfileList<T>& list, T** current, DamagedFiles damaged);
    void LoadOptions(DamagedFiles damaged);
    void ReportDamagedFile(const char* fileName, const CArchiveException& error, DamagedFiles damaged);
    bool WriteProfileFile(const char* fileName, const std::vector<BYTE>& bytes);

    std::string profileDirectory_;
    IProfileMessageSink* messages_;
    std::vector<ProfileLoadFailure> loadFailures_;
    // Files that failed to load and could not be set aside: saving leaves them alone.
    std::set<std::string> keepUnwritten_;
};
