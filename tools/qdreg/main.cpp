// qdreg: looks at and changes the Quilldeck registry from the command line, so that a user or
// another program can leave reservations for the program or check what it published.
//
//   qdreg query KEY [VALUE]
//   qdreg set KEY VALUE (sz|dword|binary) DATA
//   qdreg delete KEY [VALUE]
//   qdreg export ROOT
//
// Exit status: 0 done, 1 the registry refused (missing key, ...), 2 bad command line.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/little_endian.h"
#include "platform/registry/registry.h"
#include "platform/system/codepage.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: qdreg query KEY [VALUE]\n"
    "       qdreg set KEY VALUE (sz|dword|binary) DATA\n"
    "       qdreg delete KEY [VALUE]\n"
    "       qdreg export ROOT\n"
    "KEY is ROOT\\path\\to\\key with ROOT one of HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM)\n"
    "and HKEY_CLASSES_ROOT (HKCR); VALUE \"@\" is the key's default value. DATA of a dword is a\n"
    "number (decimal or 0x hex), of binary hex bytes (\"01,02,ff\" or \"0102ff\"). Text is UTF-8.\n";

struct UsageError {
    std::string message;
};

struct KeyArgument {
    HKEY root = nullptr;
    std::string rootName;
    std::string path;  // CP932, empty for the root itself
    std::string shown;  // as the user wrote it
};

std::optional<std::pair<HKEY, std::string>> ParseRoot(const std::string& text) {
    struct Root {
        const char* name;
        const char* abbreviation;
        HKEY key;
    };
    const Root roots[] = {{"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                          {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                          {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT}};
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    for (const Root& root : roots)
        if (upper == root.name || upper == root.abbreviation) return std::make_pair(root.key, std::string(root.name));
    return std::nullopt;
}

std::string ToCp932(const std::string& utf8, const char* what) {
    auto bytes = Utf8ToCp932(utf8);
    if (!bytes) throw UsageError{std::string(what) + " \"" + utf8 + "\" is not UTF-8 text that code page 932 can hold"};
    return *bytes;
}

KeyArgument ParseKey(const std::string& text) {
    const std::size_t separator = text.find('\\');
    const auto root = ParseRoot(text.substr(0, separator));
    if (!root) throw UsageError{"KEY \"" + text + "\" does not start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT"};
    KeyArgument key;
    key.root = root->first;
    key.rootName = root->second;
    key.shown = text;
    if (separator != std::string::npos) key.path = ToCp932(text.substr(separator + 1), "KEY");
    return key;
}

std::string ParseValueName(const std::string& text) { return text == "@" ? std::string() : ToCp932(text, "VALUE"); }

DWORD ParseDword(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE || number > 0xFFFFFFFFull)
        throw UsageError{"dword DATA \"" + text + "\" is not a number from 0 to 4294967295"};
    return static_cast<DWORD>(number);
}

std::string ParseBinary(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ',' && c != ' ') digits.push_back(c);
    auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i + 1 >= digits.size() || !isHex(digits[i]) || !isHex(digits[i + 1]))
            throw UsageError{"binary DATA \"" + text + "\" is not a list of hex bytes"};
        bytes.push_back(static_cast<char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string RegistryErrorText(LONG error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND: return "not found";
        case ERROR_ACCESS_DENIED: return "access denied";
        case ERROR_BAD_PATHNAME: return "bad key path";
        case ERROR_KEY_DELETED: return "the key was deleted meanwhile";
        case ERROR_REGISTRY_CORRUPT: return "the hive file is damaged and could not be set aside";
        default: return "error " + std::to_string(error);
    }
}

int Refused(const std::string& what, LONG error) {
    std::fprintf(stderr, "qdreg: %s: %s\n", what.c_str(), RegistryErrorText(error).c_str());
    return kExitRefused;
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        case REG_QWORD: return "REG_QWORD";
        default: return "REG_TYPE_" + std::to_string(type);
    }
}

std::string ShowData(DWORD type, const std::string& data) {
    char buffer[64];
    if (type == REG_DWORD && data.size() == 4) {
        const DWORD number = LoadLittleEndian<DWORD>(reinterpret_cast<const unsigned char*>(data.data()));
        std::snprintf(buffer, sizeof buffer, "0x%x (%u)", number, number);
        return buffer;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::string text = data;
        while (!text.empty() && text.back() == '\0') text.pop_back();
        std::string shown;
        for (const char c : Cp932ToDisplay(text)) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        return shown;
    }
    std::string hex;
    for (unsigned char c : data) {
        std::snprintf(buffer, sizeof buffer, "%02X", c);
        hex += buffer;
    }
    return hex;
}

void PrintValue(const std::string& name, DWORD type, const std::string& data) {
    const std::string shownName = name.empty() ? "(Default)" : Cp932ToDisplay(name);
    std::printf("    %s    %s    %s\n", shownName.c_str(), TypeName(type).c_str(), ShowData(type, data).c_str());
}

// Opens KEY for reading, or prints why not.
std::optional<HKEY> OpenForReading(const KeyArgument& key, int* status) {
    HKEY handle = nullptr;
    if (LONG error = RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_READ, &handle)) {
        *status = Refused(key.shown, error);
        return std::nullopt;
    }
    return handle;
}

int QueryOneValue(HKEY handle, const KeyArgument& key, const std::string& valueName) {
    DWORD type = 0, size = 0;
    if (LONG error = RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size))
        return Refused(key.shown + " value " + Cp932ToDisplay(valueName), error);
    std::string data(size, '\0');
    if (LONG error = RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size))
        return Refused(key.shown, error);
    data.resize(size);
    std::printf("%s\n", key.shown.c_str());
    PrintValue(valueName, type, data);
    return 0;
}

int QueryWholeKey(HKEY handle, const KeyArgument& key) {
    std::printf("%s\n", key.shown.c_str());
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(handle, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLength = sizeof name;
        if (RegEnumValueA(handle, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            break;
        data.resize(size);
        PrintValue(std::string(name, nameLength), type, data);
    }
    bool first = true;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (first) std::printf("\n");
        first = false;
        std::string parent = key.shown;
        if (parent.back() == '\\') parent.pop_back();
        std::printf("%s\\%s\n", parent.c_str(), Cp932ToDisplay(std::string(name, nameLength)).c_str());
    }
    return 0;
}

int Query(const std::vector<std::string>& args) {
    if (args.size() != 1 && args.size() != 2) throw UsageError{"query takes KEY and optionally VALUE"};
    const KeyArgument key = ParseKey(args[0]);
    const std::optional<std::string> valueName = args.size() == 2 ? std::optional(ParseValueName(args[1])) : std::nullopt;
    int status = 0;
    auto handle = OpenForReading(key, &status);
    if (!handle) return status;
    status = valueName ? QueryOneValue(*handle, key, *valueName) : QueryWholeKey(*handle, key);
    RegCloseKey(*handle);
    return status;
}

int Set(const std::vector<std::string>& args) {
    if (args.size() != 4) throw UsageError{"set takes KEY VALUE TYPE DATA"};
    const KeyArgument key = ParseKey(args[0]);
    const std::string valueName = ParseValueName(args[1]);
    DWORD type = REG_NONE;
    std::string data;
    if (args[2] == "sz") {
        type = REG_SZ;
        data = ToCp932(args[3], "DATA") + '\0';
    } else if (args[2] == "dword") {
        type = REG_DWORD;
        const DWORD number = ParseDword(args[3]);
        for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<char>((number >> shift) & 0xFF));
    } else if (args[2] == "binary") {
        type = REG_BINARY;
        data = ParseBinary(args[3]);
    } else {
        throw UsageError{"TYPE \"" + args[2] + "\" is not sz, dword or binary"};
    }
    HKEY handle = nullptr;
    if (LONG error = RegCreateKeyExA(key.root, key.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                     nullptr, &handle, nullptr))
        return Refused(key.shown, error);
    const LONG error = RegSetValueExA(handle, valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                      static_cast<DWORD>(data.size()));
    RegCloseKey(handle);
    return error ? Refused(key.shown + " value " + args[1], error) : 0;
}

int Delete(const std::vector<std::string>& args) {
    if (args.size() != 1 && args.size() != 2) throw UsageError{"delete takes KEY and optionally VALUE"};
    const KeyArgument key = ParseKey(args[0]);
    if (args.size() == 1) {
        if (key.path.empty()) throw UsageError{"a root key cannot be deleted"};
        const LONG error = RegDeleteTreeA(key.root, key.path.c_str());
        return error ? Refused(key.shown, error) : 0;
    }
    const std::string valueName = ParseValueName(args[1]);
    HKEY handle = nullptr;
    if (LONG error = RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_ALL_ACCESS, &handle)) return Refused(key.shown, error);
    const LONG error = RegDeleteValueA(handle, valueName.c_str());
    RegCloseKey(handle);
    return error ? Refused(key.shown + " value " + args[1], error) : 0;
}

int Export(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"export takes ROOT"};
    const auto root = ParseRoot(args[0]);
    if (!root) throw UsageError{"ROOT \"" + args[0] + "\" is not HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT"};
    std::string text;
    if (LONG error = RegExportHiveText(root->first, &text)) return Refused(root->second, error);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

int Run(const std::vector<std::string>& words) {
    if (words.empty()) throw UsageError{"a command is needed"};
    const std::vector<std::string> args(words.begin() + 1, words.end());
    if (words[0] == "query") return Query(args);
    if (words[0] == "set") return Set(args);
    if (words[0] == "delete") return Delete(args);
    if (words[0] == "export") return Export(args);
    if (words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    throw UsageError{"unknown command \"" + words[0] + "\""};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int status = Run(std::vector<std::string>(argv + 1, argv + argc));
        std::fflush(stdout);
        return status;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "qdreg: %s\n%s", error.message.c_str(), kUsage);
        return kExitUsage;
    }
}
