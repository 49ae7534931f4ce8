#pragma once

// The Win32 backend's conversions at every system call: paths and texts are UTF-8 inside, wide
// (UTF-16) at the call. Only the Win32 implementation files include this header.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// A std::filesystem::path from a UTF-8 text (a narrow path would go through the ANSI code page),
// and back.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

} // namespace platform::win32
