#include "update/run/AppInfo.h"

#include "environment/RegAccess.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace update::run {

namespace {

PackedListLoader LoaderOf(const TdmUpdateCommon& engine) {
    return [&engine](std::string_view fileName) {
        std::vector<std::string> lines;
        engine.LoadResourceFileList(fileName, lines);
        return lines;
    };
}

} // namespace

AppInfo LoadAppInfo(const TdmUpdateCommon& engine) {
    return LoadAppInfo(LoaderOf(engine));
}

AppInfo LoadAppInfo(const PackedListLoader& loadList) {
    AppInfo info;
    if (const std::vector<std::string> lines = loadList("AppInfo1.txt"); !lines.empty())
        info.title = lines.front();
    for (const std::string& line : loadList("AppInfo2.txt"))
        info.text += line + "\r\n";
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
    return LoadUpdateList(LoaderOf(engine), checkInstalledVersions);
}

UpdateList LoadUpdateList(const PackedListLoader& loadList, const std::function<bool()>& checkInstalledVersions) {
    const std::vector<std::string> lines = loadList("Updates.txt");
    if (lines.empty())
        return {};
    return FilterUpdateList(lines, checkInstalledVersions);
}

} // namespace update::run
