#pragma once

// <windows.h> for the Win32 implementation files of the platform layer, and only for them: it
// is included after our own headers, and the macros it defines over names of the platform layer
// (CreateFile, CopyFile, DeleteFile, ...) are removed, so that a definition of platform::CopyFile
// stays platform::CopyFile instead of silently becoming platform::CopyFileW. The Win32 calls are
// written with their W names.

#ifndef _WIN32
#error "Win32 implementation files only"
#endif

#include <windows.h>

#undef CopyFile
#undef CopyFileEx
#undef CreateDirectory
#undef CreateFile
#undef CreateHardLink
#undef DeleteFile
#undef FindFirstFile
#undef FindNextFile
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetFileAttributes
#undef GetLogicalDriveStrings
#undef GetVolumeInformation
#undef MoveFile
#undef MoveFileEx
#undef RemoveDirectory
#undef SetFileAttributes
#undef GetComputerName
#undef GetUserName
#undef GetTempPath
#undef GetWindowsDirectory
#undef GetSystemDirectory
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegDeleteKey
#undef RegDeleteValue
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegQueryValueEx
#undef RegSetValueEx
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef VerQueryValue
#undef VerLanguageName
