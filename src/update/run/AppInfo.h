#pragma once

// The package's descriptive texts ("AppInfo1.txt", "AppInfo2.txt") and its list of products
// ("Updates.txt"), as the start of a run reads them.

#include "update/engine/TdmUpdateCommon.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace update::run {

struct AppInfo {
    std::string title; // the first line of "AppInfo1.txt"; empty when it has none
    std::string text;  // every line of "AppInfo2.txt", each followed by CR LF
};

// The lines of a packed text file; none when it is missing or empty. Lets a caller that reaches
// the package through its own seam (the wizard window) read it as the engine does.
using PackedListLoader = std::function<std::vector<std::string>(std::string_view fileName)>;

AppInfo LoadAppInfo(const TdmUpdateCommon& engine);
AppInfo LoadAppInfo(const PackedListLoader& loadList);

// The names of the application types 1 to 15, each followed by CR LF, in code order.
std::string AppNamesReference();

enum class UpdateListState {
    Loaded,  // the list was read (it may have kept no name)
    Missing, // "Updates.txt" missing or empty
    Refused  // a Veltrane update on a machine whose installed versions do not fit: the program ends
};

struct UpdateList {
    UpdateListState state = UpdateListState::Missing;
    std::vector<std::string> names; // in package order
};

// Keeps a line when it occurs, with the same letter case, inside AppNamesReference() and is not
// kept yet (compared without regard to case). On a Veltrane line `checkInstalledVersions` runs;
// when it fails the list is refused and the remaining lines are not read.
UpdateList FilterUpdateList(const std::vector<std::string>& lines, const std::function<bool()>& checkInstalledVersions);

// FilterUpdateList over the lines of "Updates.txt".
UpdateList LoadUpdateList(const TdmUpdateCommon& engine, const std::function<bool()>& checkInstalledVersions);
UpdateList LoadUpdateList(const PackedListLoader& loadList, const std::function<bool()>& checkInstalledVersions);

} // namespace update::run
