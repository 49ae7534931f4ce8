#include "update/run/AppInfo.h"

#include "environment/RegAccess.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace update::run {

AppInfo LoadAppInfo(const TdmUpdateCommon& engine) {
    AppInfo info;
    std::vector<std::string> lines;
    if (engine.LoadResourceFileList("AppInfo1.txt", lines) > 0)
        info.title = lines.front();
    if (engine.LoadResourceFileList("AppInfo2.txt", lines) > 0) {
        for (const std::string& line : lines)
            info.text += line + "\r\n";
    }
    return info;
}

std::string AppNamesReference() {
    std::string reference;
    for (std::size_t type = 1; type < AppNames.size(); ++type) {
        reference += AppNames[type];
        reference += "\r\n";
    }
    return reference;
}

UpdateList FilterUpdateList(const std::vector<std::string>& lines,
                            const std::function<bool()>& checkInstalledVersions) {
    const std::string reference = AppNamesReference();
    UpdateList list{UpdateListState::Loaded, {}};
    for (const std::string& line : lines) {
        if (line.empty() || reference.find(line) == std::string::npos)
            continue;
        const bool kept = std::any_of(list.names.begin(), list.names.end(), [&](const std::string& name) {
            return platform::text::EqualsIgnoreCase(name, line);
        });
        if (kept)
            continue;
        if (GetAppNameType(line) == antVTP && !checkInstalledVersions())
            return {UpdateListState::Refused, {}};
        list.names.push_back(line);
    }
    return list;
}

UpdateList LoadUpdateList(const TdmUpdateCommon& engine, const std::function<bool()>& checkInstalledVersions) {
    std::vector<std::string> lines;
    if (engine.LoadResourceFileList("Updates.txt", lines) == 0)
        return {};
    return FilterUpdateList(lines, checkInstalledVersions);
}

} // namespace update::run
