// The package's texts and its list of products: which lines of "Updates.txt" are kept.

#include "update/run/AppInfo.h"

#include <gmock/gmock.h>
#include <map>

namespace {

using update::run::FilterUpdateList;
using update::run::UpdateListState;

struct FilterCase {
    const char* label;
    std::vector<std::string> lines;
    bool checkPasses;
    UpdateListState state;
    std::vector<std::string> names;
    int checks; // how often the installed versions were checked
};

void PrintTo(const FilterCase& row, std::ostream* out) {
    *out << row.label;
}

class FilterUpdateListTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterUpdateListTest, KeepsKnownNamesOnce) {
    const FilterCase& row = GetParam();
    int checks = 0;
    const update::run::UpdateList list = FilterUpdateList(row.lines, [&] {
        ++checks;
        return row.checkPasses;
    });
    EXPECT_EQ(list.state, row.state);
    EXPECT_EQ(list.names, row.names);
    EXPECT_EQ(checks, row.checks);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FilterUpdateListTest,
    ::testing::Values(
        FilterCase{"DuplicateKeptOnce", {"NVX", "Common", "NVX"}, true, UpdateListState::Loaded, {"NVX", "Common"}, 0},
        FilterCase{
            "DuplicateInOtherCaseKeptOnce", {"Tessaro", "TESSARO"}, true, UpdateListState::Loaded, {"Tessaro"}, 0},
        FilterCase{"UpperCaseLineSkipped", {"ONDRAK", "Ondrak"}, true, UpdateListState::Loaded, {"Ondrak"}, 0},
        FilterCase{"PartOfANameAccepted", {"Orbel", "Quarnel"}, true, UpdateListState::Loaded, {"Orbel", "Quarnel"}, 0},
        FilterCase{"EmptyAndUnknownSkipped", {"", "Inconnu", "veltrane"}, true, UpdateListState::Loaded, {}, 0},
        FilterCase{
            "VeltraneChecked", {"Veltrane", "Marlisk"}, true, UpdateListState::Loaded, {"Veltrane", "Marlisk"}, 1},
        FilterCase{
            "IngenieurNotChecked", {"Veltrane Ingenieur"}, true, UpdateListState::Loaded, {"Veltrane Ingenieur"}, 0},
        FilterCase{
            "FailedCheckRefusesTheList", {"Marlisk", "Veltrane", "Common"}, false, UpdateListState::Refused, {}, 1}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST(AppNamesReference, ListsTheFifteenNamesInCodeOrder) {
    EXPECT_EQ(update::run::AppNamesReference(),
              "Veltrane\r\nVeltrane Ingenieur\r\nMarlisk\r\nCorvath\r\nPDFDLL\r\nTessaro\r\nVTPOrbel\r\nSuvana\r\n"
              "Quarnel Finance\r\nNVX\r\nBrisquel\r\nCommon\r\nOndrak\r\nZLK\r\nRalto\r\n");
}

// The start-up readers over a caller's own access to the packed files (the window's engine seam).
class LoaderReadersTest : public ::testing::Test {
protected:
    update::run::PackedListLoader Loader() {
        return [this](std::string_view fileName) {
            FAsked.emplace_back(fileName);
            const auto found = FFiles.find(std::string(fileName));
            return found == FFiles.end() ? std::vector<std::string>{} : found->second;
        };
    }
    std::map<std::string, std::vector<std::string>> FFiles;
    std::vector<std::string> FAsked;
};

TEST_F(LoaderReadersTest, AppInfoTakesTheFirstTitleLineAndEveryTextLine) {
    FFiles = {{"AppInfo1.txt", {"Paquet 4.2", "ignored"}}, {"AppInfo2.txt", {"Lisez.", "Merci."}}};
    const update::run::AppInfo info = update::run::LoadAppInfo(Loader());
    EXPECT_EQ(info.title, "Paquet 4.2");
    EXPECT_EQ(info.text, "Lisez.\r\nMerci.\r\n");
    EXPECT_THAT(FAsked, ::testing::ElementsAre("AppInfo1.txt", "AppInfo2.txt"));
}

TEST_F(LoaderReadersTest, AppInfoOfAPackageWithoutTextsIsEmpty) {
    const update::run::AppInfo info = update::run::LoadAppInfo(Loader());
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.text, "");
}

TEST_F(LoaderReadersTest, UpdateListIsFilteredFromUpdatesTxt) {
    FFiles = {{"Updates.txt", {"NVX", "nvx", "Veltrane"}}};
    int checks = 0;
    const update::run::UpdateList list = update::run::LoadUpdateList(Loader(), [&] {
        ++checks;
        return true;
    });
    EXPECT_EQ(list.state, UpdateListState::Loaded);
    EXPECT_THAT(list.names, ::testing::ElementsAre("NVX", "Veltrane"));
    EXPECT_EQ(checks, 1);
    EXPECT_THAT(FAsked, ::testing::ElementsAre("Updates.txt"));
}

TEST_F(LoaderReadersTest, MissingUpdateListChecksNothing) {
    int checks = 0;
    const update::run::UpdateList list = update::run::LoadUpdateList(Loader(), [&] {
        ++checks;
        return false;
    });
    EXPECT_EQ(list.state, UpdateListState::Missing);
    EXPECT_TRUE(list.names.empty());
    EXPECT_EQ(checks, 0);
}

} // namespace
