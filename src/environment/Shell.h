#pragma once

// Shell services: the folder selection dialog and the list of drive letters.

#include "ui/UiServices.h"

#include <string>
#include <string_view>

// Shows the folder browser (the given flags plus BIF_NEWDIALOGSTYLE) with `folder` preselected;
// on confirmation stores the chosen folder in `folder` and returns true; on cancel leaves it as is.
bool BrowseForFolder(std::string_view title, ui::WindowId owner, std::string& folder, unsigned flags,
                     std::string_view root);

// The upper-case letters of the machine's drives, in order ("CD" for C:\ and D:\), at most 26.
std::string ListDriveLetters();
