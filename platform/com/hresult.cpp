#include "platform/com/hresult.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>

namespace {

const std::unordered_map<std::uint32_t, const char*>& KnownTexts() {
    static const std::unordered_map<std::uint32_t, const char*> texts = {
        {0x80004001, "Not implemented."},
        {0x80004002, "No such interface supported."},
        {0x80004003, "Invalid pointer."},
        {0x80004004, "Operation aborted."},
        {0x80004005, "Unspecified error."},
        {0x8000FFFF, "Catastrophic failure."},
        {0x80070005, "Access is denied."},
        {0x80070006, "The handle is invalid."},
        {0x8007000E, "Not enough storage is available to complete this operation."},
        {0x80070057, "The parameter is incorrect."},
        {0x80040110, "Class does not support aggregation (or class object is remote)."},
        {0x80040111, "ClassFactory cannot supply requested class."},
        {0x80040154, "Class not registered."},
        {0x800401F0, "CoInitialize has not been called."},
        {0x800401F3, "Invalid class string."},
        {0x80010106, "Cannot change thread mode after it is set."},
        {0x800401F8, "DLL for class not found."},
        {0x800401F9, "Error in the DLL."},
        {0x800401E4, "Invalid syntax."},
        {0x800401E5, "No object for moniker."},
        {0x80040200, "An invalid media type was specified."},
        {0x80040204, "The operation cannot be performed because the pins are already connected."},
        {0x80040207, "No combination of intermediate filters could be found to make the connection."},
        {0x80040208, "The specified direction is invalid."},
        {0x80040209, "The operation cannot be performed because the pins are not connected."},
        {0x8004020F, "The filter is not in the filter graph."},
        {0x80040213, "The operation could not be performed because the filter has no clock."},
        {0x80040216, "An object or name was not found."},
        {0x80040217, "Cannot connect the pins."},
        {0x80040218, "Cannot render the pin."},
        {0x80040224, "The operation could not be performed because the filter graph is not stopped."},
        {0x80040227, "The operation could not be performed because the filter is in the wrong state."},
        {0x80040228, "The start time is after the stop time."},
        {0x8004022A, "The media type of this connection is not acceptable."},
        {0x8004022E, "The time-out period elapsed."},
        {0x8003001D, "A disk error occurred during a write operation."},
        {0x80030070, "There is insufficient disk space to complete operation."},
        {0x80030103, "Could not save."},
        {0x8004022F, "The file format is invalid."},
        {0x80040249, "The sample time is not set."},
        {0x80040251, "The media time is not set."},
        {0x80040281, "The device is already in use."},
    };
    return texts;
}

}  // namespace

LONG Win32ErrorFromErrno(int e) {
    switch (e) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOSPC: return 112;  // ERROR_DISK_FULL
        case EFBIG: return 223;   // ERROR_FILE_TOO_LARGE
        case ENOSYS:
        case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
        case EBUSY: return 170;  // ERROR_BUSY
        case EIO: return 1117;   // ERROR_IO_DEVICE
        default: return 31;      // ERROR_GEN_FAILURE
    }
}

std::string HResultText(HRESULT hr) {
    const auto code = static_cast<std::uint32_t>(hr);
    const auto& texts = KnownTexts();
    if (auto it = texts.find(code); it != texts.end()) return it->second;
    if ((code & 0xFFFF0000u) == 0x80070000u) {
        switch (code & 0xFFFFu) {
            case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
            case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
            case ERROR_NOT_ENOUGH_MEMORY: return "Not enough storage is available to process this command.";
            case ERROR_NOT_SUPPORTED: return "The request is not supported.";
            case 112: return "There is not enough space on the disk.";
            case 170: return "The requested resource is in use.";
            case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
            case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
            case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
            case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
            case ERROR_MORE_DATA: return "More data is available.";
            case ERROR_NO_MORE_ITEMS: return "No more data is available.";
            case ERROR_BADDB: return "The configuration registry database is corrupt.";
            case ERROR_BADKEY: return "The configuration registry key is invalid.";
            case ERROR_CANTOPEN: return "The configuration registry key could not be opened.";
            case ERROR_CANTREAD: return "The configuration registry key could not be read.";
            case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
            case ERROR_KEY_DELETED:
                return "Illegal operation attempted on a registry key that has been marked for deletion.";
            case 1117: return "The request could not be performed because of an I/O device error.";
            case 31: return "A device attached to the system is not functioning.";
            default: break;
        }
    }
    return {};
}

DWORD AMGetErrorTextA(HRESULT hr, char* buffer, DWORD maxLength) {
    if (!buffer || maxLength == 0) return 0;
    const std::string text = HResultText(hr);
    if (text.empty()) {
        buffer[0] = '\0';
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(text.size(), maxLength - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}
