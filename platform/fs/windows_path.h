#pragma once
// Windows path rules on a POSIX file system. Every file the program opens, creates or
// deletes goes through here: "\" and "/" both separate, doubled separators count as one,
// letter case does not distinguish files (an existing entry is found component by
// component), and a relative path never leaves the working directory tree.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/windows_types.h"

namespace WindowsPath {

// The POSIX path a Windows-style path names: existing components are matched
// case-insensitively, missing ones are kept as spelled. Empty when the path is unsafe
// (a relative path climbing out of the working tree) or empty.
std::optional<std::string> Resolve(std::string_view windowsPath);

// A directory that relative paths are also read from when the working directory does not
// hold them: a run whose media directory cannot be written works in a directory of its own
// and reads the media through (empty: none). Writes and deletions stay in the working
// directory; a directory that only the fallback has is made in the working directory when a
// file is created in it, so extraction finds the layout it expects.
void SetReadFallback(std::string directory);

// Resolve, then, for a relative path that does not exist in the working directory, the
// same path in the read fallback when it exists there.
std::optional<std::string> ResolveForReading(std::string_view windowsPath);

// fopen through the resolver; the mode is fopen's. Opening for reading only ("r", "rb")
// looks in the read fallback too. Creating a file creates no directories (but those the
// read fallback has).
std::FILE* OpenFile(std::string_view windowsPath, const char* mode);

// The same for a UTF-16 path, as the platform's wide-character functions receive it.
std::FILE* OpenFile(std::wstring_view windowsPath, const char* mode);

// UTF-16 (wchar_t) to UTF-8 and back; the platform's wide paths are converted with these.
std::string Narrow(std::wstring_view wide);
std::wstring Widen(std::string_view narrow);

} // namespace WindowsPath

// Win32: deletes a file through the resolver; TRUE on success.
BOOL DeleteFileW(LPCWSTR fileName);
