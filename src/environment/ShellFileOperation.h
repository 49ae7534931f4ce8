#pragma once

// The shell's file operation (SHFileOperationW) over the machine's files.

#include "ui/UiServices.h"

#include <string_view>

// Operations.
inline constexpr unsigned FO_MOVE = 0x1;
inline constexpr unsigned FO_COPY = 0x2;
inline constexpr unsigned FO_DELETE = 0x3;
inline constexpr unsigned FO_RENAME = 0x4;

// Flags.
inline constexpr unsigned FOF_SILENT = 0x0004;
inline constexpr unsigned FOF_NOCONFIRMATION = 0x0010;
inline constexpr unsigned FOF_ALLOWUNDO = 0x0040;
inline constexpr unsigned FOF_FILESONLY = 0x0080;
inline constexpr unsigned FOF_SIMPLEPROGRESS = 0x0100;
inline constexpr unsigned FOF_NOERRORUI = 0x0400;

// Code of an operation this machine does not carry out (ERROR_NOT_SUPPORTED).
inline constexpr int kShellOperationNotSupported = 50;

// Runs `operation` on the one source (which may hold the wildcards * and ?) and the one target.
// A non-empty title shows a simple progress window and replaces the flags by FOF_SIMPLEPROGRESS
// alone. Gives -1 when the user aborted any part, otherwise 0 on success or the code of the first
// failure.
//
// FO_DELETE deletes every match, folders with their content (folders are skipped with
// FOF_FILESONLY when the source holds a wildcard); read-only files go too, as the shell deletes
// them. Without FOF_NOCONFIRMATION the user confirms each deletion first (answering No aborts).
// A match that cannot be deleted (in use, say) does not stop the others: the first failure's code
// is the result. A source that matches nothing gives 2 (3 when its folder is missing). The recycle
// bin (FOF_ALLOWUNDO) does not exist on this machine: deleted files are gone. The other operations
// give kShellOperationNotSupported.
int RunShellFileOperation(unsigned operation, std::string_view sources, std::string_view targets, ui::WindowId owner,
                          unsigned flags, std::string_view title);
