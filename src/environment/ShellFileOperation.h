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

// Runs `operation` on the one source (which may hold the wildcards * and ?) and the one target.
// A non-empty title shows a simple progress window and replaces the flags by FOF_SIMPLEPROGRESS
// alone. Gives -1 when the user aborted any part, otherwise 0 on success or the code of the first
// failure. Without FOF_NOCONFIRMATION the user confirms each deletion and each replacement first
// (answering No aborts). With FOF_FILESONLY a wildcard source leaves folders out. A failing entry
// (a file in use, say) does not stop the others. A source that matches nothing gives 2 (3 when its
// folder is missing).
//
// FO_DELETE deletes every match, folders with their content; read-only files go too, as the shell
// deletes them. A link (to a file or a folder) is one entry: the link goes, what it leads to stays. The recycle bin (FOF_ALLOWUNDO) does not exist on this machine: deleted files are gone.
// FO_COPY and FO_MOVE put the matches into the target folder when the source has a wildcard or the
// target is an existing folder, otherwise the one match takes the target as its new name; missing
// folders are created. A folder cannot go into itself (0x76). FO_RENAME gives the one match the
// target name and fails with 183 when that name exists. Other operations give 87.
int RunShellFileOperation(unsigned operation, std::string_view sources, std::string_view targets, ui::WindowId owner,
                          unsigned flags, std::string_view title);
