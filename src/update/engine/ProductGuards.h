#pragma once

// What the product procedures share: path pieces and the guards that stop an update before it
// touches an installed program.

#include <string>
#include <string_view>

namespace update {

// Everything up to and including the last backslash; empty text when there is none.
std::string FolderOf(std::string_view path);
// True when the path names an existing folder.
bool FolderExists(std::string_view path);
// True when the file is free (or absent). Otherwise shows the plain message naming the file, the
// system's text and its code, and gives false: the procedure then ends with urtKo.
bool FileIsFree(std::string_view path);
// Raises UnknownVersion for the first of the two files that carries no version information.
void RequireVersionInformation(std::string_view unpackedFile, std::string_view installedFile);

} // namespace update
