#include "profiles/profile_store.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/system/atomic_file.h"
#include "profiles/registry_mirror.h"

namespace fs = std::filesystem;

namespace {

std::string OpenFailureText(const char* fileName) { return std::string("CFile Open ") + fileName; }

}  // namespace

CProfileStore::CProfileStore(std::string profileDirectory, IProfileMessageSink* messages)
    : profileDirectory_(std::move(profileDirectory)), messages_(messages) {}

CProfileStore::~CProfileStore() { FreeProfiles(); }

void CProfileStore::ShowMessage(const std::string& text) const {
    if (messages_) messages_->ShowMessage(text);
}

void CProfileStore::FreeProfiles() {
    CurrentDevice = nullptr;
    CurrentCompressor = nullptr;
    CurrentMux = nullptr;
    CurrentVideoFilter = nullptr;
    CurrentAudioFilter = nullptr;
    CurrentChannel = nullptr;
    DeviceProfiles.clear();
    CompressorProfiles.clear();
    ChannelProfiles.clear();
    MuxProfiles.clear();
    RecordProfiles.clear();
    VideoFilterProfiles.clear();
    AudioFilterProfiles.clear();
}

void CProfileStore::LoadProfiles() {
    LoadProfileFiles(DamagedFiles::SetAside);
    ImportReservationsFromRegistry(*this);
}

void CProfileStore::SaveProfiles() {
    SaveProfileFiles();
    MirrorProfileNamesToRegistry(*this);
}

void CProfileStore::LoadProfileFiles(DamagedFiles damaged) {
    LoadList(kDeviceFileName, DeviceProfiles, &CurrentDevice, damaged);
    LoadList(kCompressorFileName, CompressorProfiles, &CurrentCompressor, damaged);
    LoadList<CChannelProfile>(kChannelFileName, ChannelProfiles, nullptr, damaged);
    LoadList(kMuxFileName, MuxProfiles, &CurrentMux, damaged);
    LoadList<CRecordProfile>(kRecordFileName, RecordProfiles, nullptr, damaged);
    LoadList(kVideoFilterFileName, VideoFilterProfiles, &CurrentVideoFilter, damaged);
    LoadList(kAudioFilterFileName, AudioFilterProfiles, &CurrentAudioFilter, damaged);
    LoadOptions(damaged);
}

bool CProfileStore::SaveProfileFiles() {
    bool allWritten = true;
    allWritten &= WriteProfileFile(kDeviceFileName, StoreListFile(DeviceProfiles, CurrentDevice, true));
    allWritten &= WriteProfileFile(kCompressorFileName, StoreListFile(CompressorProfiles, CurrentCompressor, true));
    allWritten &= WriteProfileFile(kChannelFileName, StoreListFile<CChannelProfile>(ChannelProfiles, nullptr, false));
    allWritten &= WriteProfileFile(kMuxFileName, StoreListFile(MuxProfiles, CurrentMux, true));
    allWritten &= WriteProfileFile(kRecordFileName, StoreListFile<CRecordProfile>(RecordProfiles, nullptr, false));
    allWritten &= WriteProfileFile(kVideoFilterFileName, StoreListFile(VideoFilterProfiles, CurrentVideoFilter, true));
    allWritten &= WriteProfileFile(kAudioFilterFileName, StoreListFile(AudioFilterProfiles, CurrentAudioFilter, true));
    allWritten &= WriteProfileFile(kOptionFileName, StoreOptionFile(Options));
    return allWritten;
}

CProfileStore::FileRead CProfileStore::ReadProfileFile(const char* fileName, std::vector<BYTE>& bytes) const {
    const std::string path = profileDirectory_ + fileName;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return FileRead::Missing;

    std::ifstream file;
    if (!error && fs::is_regular_file(status)) file.open(path, std::ios::binary | std::ios::ate);
    if (file.is_open()) {
        const std::streamoff size = file.tellg();
        if (size >= 0) {
            bytes.resize(static_cast<std::size_t>(size));
            file.seekg(0);
            file.read(reinterpret_cast<char*>(bytes.data()), size);
            if (file.gcount() == size) return FileRead::Read;
        }
    }
    ShowMessage(OpenFailureText(fileName));
    return FileRead::Failed;
}

template <class T>
void CProfileStore::LoadList(const char* fileName, ProfileList<T>& list, T** current, DamagedFiles damaged) {
    std::vector<BYTE> bytes;
    if (ReadProfileFile(fileName, bytes) != FileRead::Read) return;
    try {
        LoadedList<T> loaded = LoadListFile<T>(bytes, current != nullptr);
        for (auto& profile : loaded.profiles) list.push_back(std::move(profile));
        if (current && loaded.current) *current = loaded.current;
    } catch (const CArchiveException& error) {
        ReportDamagedFile(fileName, error, damaged);
    }
}

void CProfileStore::LoadOptions(DamagedFiles damaged) {
    std::vector<BYTE> bytes;
    if (ReadProfileFile(kOptionFileName, bytes) != FileRead::Read) return;
    try {
        Options = LoadOptionFile(bytes);
    } catch (const CArchiveException& error) {
        ReportDamagedFile(kOptionFileName, error, damaged);
    }
}

void CProfileStore::ReportDamagedFile(const char* fileName, const CArchiveException& error, DamagedFiles damaged) {
    ProfileLoadFailure failure{fileName, error.Offset(), error.Reason(), {}};
    std::string text = std::string(fileName) + " could not be loaded (byte " + std::to_string(error.Offset()) + ": " +
                       error.Reason() + ").";
    if (damaged == DamagedFiles::SetAside) {
        const auto asidePath = SetFileAside(profileDirectory_ + fileName);
        const int renameError = asidePath ? 0 : errno;
        if (asidePath) {
            const std::string setAsideAs = asidePath->substr(profileDirectory_.size());
            failure.SetAsideAs = setAsideAs;
            text += " The file was kept as \"" + setAsideAs + "\"; none of its profiles were loaded.";
        } else {
            keepUnwritten_.insert(fileName);
            text += " The file could not be set aside (" + std::string(std::strerror(renameError)) +
                    "), so saving the profiles will leave it unchanged.";
        }
    }
    loadFailures_.push_back(std::move(failure));
    ShowMessage(text);
}

bool CProfileStore::WriteProfileFile(const char* fileName, const std::vector<BYTE>& bytes) {
    if (keepUnwritten_.count(fileName)) {
        ShowMessage(std::string(fileName) + " was not saved: it could not be loaded and is kept unchanged.");
        return false;
    }
    if (WriteFileAtomically(profileDirectory_ + fileName, bytes.data(), bytes.size()) != 0) {
        ShowMessage(OpenFailureText(fileName));
        return false;
    }
    return true;
}
