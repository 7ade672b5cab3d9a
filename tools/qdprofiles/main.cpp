// qdprofiles: looks at a directory of profile files without touching the registry.
//   qdprofiles dump DIR     every profile of the eight files as JSON
//   qdprofiles resave DIR   loads the files and writes them again
//   qdprofiles check DIR    exits non-zero, naming the file and byte, when a file does not load
//   qdprofiles set-option DIR NAME VALUE
//                           sets one option (the recording log, the movie directory and name,
//                           the time limit, whether the graph is built at start) and saves
// A file that fails to load is never moved or rewritten by this tool.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "profiles/profile_store.h"
#include "tools/qdprofiles/json_writer.h"
#include "tools/qdprofiles/profile_dump.h"

namespace {

class StderrMessages : public IProfileMessageSink {
public:
    void ShowMessage(const std::string& text) override {
        std::cerr << "qdprofiles: " << text << '\n';
        ++count;
    }
    int count = 0;
};

int Usage() {
    std::cerr << "usage: qdprofiles dump|resave|check DIR\n"
                 "       qdprofiles set-option DIR NAME VALUE\n";
    return 2;
}

// The options a user may need before the options sheet exists.
bool SetOption(COptionProfile& options, const std::string& name, const std::string& value) {
    const std::map<std::string, std::string*> texts = {
        {"LogFile", &options.LogFile}, {"MovieDir", &options.MovieDir}, {"MovieFile", &options.MovieFile}};
    const std::map<std::string, DWORD*> numbers = {{"WriteLog", &options.WriteLog},
                                                   {"OverwriteLog", &options.OverwriteLog},
                                                   {"MovieNaming", &options.MovieNaming},
                                                   {"CaptureTimeLimit", &options.CaptureTimeLimit},
                                                   {"CaptureTimeLimitEnable", &options.CaptureTimeLimitEnable},
                                                   {"GraphRunning", &options.GraphRunning}};
    if (auto text = texts.find(name); text != texts.end()) {
        *text->second = value;
        return true;
    }
    auto number = numbers.find(name);
    if (number == numbers.end() || value.empty()) return false;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(value.c_str(), &end, 10);
    if (*end != '\0' || value[0] == '-' || parsed > 0xFFFFFFFFul) return false;
    *number->second = static_cast<DWORD>(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    std::string directory = argv[2];
    if (directory.empty()) return Usage();
    if (directory.back() != '/') directory += '/';
    const bool setOption = command == "set-option";
    if (argc != (setOption ? 5 : 3)) return Usage();
    if (command != "dump" && command != "resave" && command != "check" && !setOption) return Usage();
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        std::cerr << "qdprofiles: " << directory << " is not a directory\n";
        return 2;
    }

    StderrMessages messages;
    CProfileStore store(directory, &messages);
    store.LoadProfileFiles(CProfileStore::DamagedFiles::LeaveInPlace);
    const bool allLoaded = messages.count == 0;

    if (command == "dump") {
        JsonWriter json(std::cout);
        DumpStore(store, json);
        return allLoaded ? 0 : 1;
    }
    if (command == "check") {
        if (allLoaded) std::cout << "all profile files load\n";
        return allLoaded ? 0 : 1;
    }
    if (!allLoaded) {
        std::cerr << "qdprofiles: nothing was saved, so that no file that failed to load is overwritten\n";
        return 1;
    }
    if (setOption && !SetOption(store.Options, argv[3], argv[4])) {
        std::cerr << "qdprofiles: no option " << argv[3] << " takes the value \"" << argv[4] << "\"\n";
        return 2;
    }
    return store.SaveProfileFiles() ? 0 : 1;
}
