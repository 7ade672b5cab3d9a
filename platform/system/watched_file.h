// Output files opened for reading while a recording writes them, so their size can be
// watched: the file calls of the platform's kernel-handle API that the engine uses.
#pragma once

#include "platform/com/types.h"
#include "platform/media/interfaces/win_types.h"

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(-1);

// Opens (creating when missing, with OPEN_ALWAYS) `name` for reading. Only GENERIC_READ with
// OPEN_ALWAYS or OPEN_EXISTING (3) is supported; the sharing and the unbuffered flag need
// nothing on this platform (other processes may always read and write, and the size of a
// file does not depend on buffering). INVALID_HANDLE_VALUE with the last error on failure.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);

// The file's current size. FALSE with the last error for a handle that is not an open file.
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);

// Closes a handle from CreateFileA. FALSE with ERROR_INVALID_HANDLE for one that is not open.
BOOL CloseHandle(HANDLE handle);

// Whether a file can be created in `directory` (empty: the current directory): a file is
// created there and removed again, so the answer holds for any user, root included. FALSE
// with the last error (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ...) when it cannot.
BOOL CanCreateFilesIn(LPCSTR directory);
