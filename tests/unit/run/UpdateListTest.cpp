// The package's texts and its list of products: which lines of "Updates.txt" are kept.

#include "update/run/AppInfo.h"

#include <gmock/gmock.h>

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

} // namespace
