#pragma once

// The lines of the plan, each built in one place.

#include <string>
#include <string_view>

namespace update::plan::text {

std::string Installed(std::string_view file, std::string_view version);
std::string NotInstalled(std::string_view file);
std::string Packed(std::string_view version);
std::string NotPacked(std::string_view file);
std::string Replaced(std::string_view file);
std::string Asked(std::string_view question);
std::string AlreadyCurrent();
std::string Copied(std::string_view file);
std::string PrintListFile(std::string_view file);
std::string CompanyLists(std::string_view company, std::string_view lists);
std::string NoUpdate();
std::string ListedNotPacked(std::string_view name);
std::string Folder(std::string_view folder);

} // namespace update::plan::text
