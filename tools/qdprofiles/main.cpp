// qdprofiles: looks at a directory of profile files without touching the registry.
//   qdprofiles dump DIR     every profile of the eight files as JSON
//   qdprofiles resave DIR   loads the files and writes them again
//   qdprofiles check DIR    exits non-zero, naming the file and byte, when a file does not load
// A file that fails to load is never moved or rewritten by this tool.
#include <filesystem>
#include <iostream>
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
    std::cerr << "usage: qdprofiles dump|resave|check DIR\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Usage();
    const std::string command = argv[1];
    std::string directory = argv[2];
    if (directory.empty()) return Usage();
    if (directory.back() != '/') directory += '/';
    if (command != "dump" && command != "resave" && command != "check") return Usage();
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
    return store.SaveProfileFiles() ? 0 : 1;
}
