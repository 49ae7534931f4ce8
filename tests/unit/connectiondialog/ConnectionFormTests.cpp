// What both windows of the connection dialog take from the shared form: the fields each way of
// connecting opens, and the file chooser its browse button asks for.

#include "wizard/pages/ConnectionForm.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using wizard::ConnectionChoice;
using wizard::pages::ConnectionFieldsOpen;

struct OpenFields {
    const char* name;
    ConnectionChoice choice;
    ConnectionFieldsOpen open;
};

void PrintTo(const OpenFields& row, std::ostream* out) {
    *out << row.name;
}

class FieldsOpen : public ::testing::TestWithParam<OpenFields> {};

TEST_P(FieldsOpen, OnlyTheChosenWaysFields) {
    const ConnectionFieldsOpen open = wizard::pages::FieldsOpenFor(GetParam().choice);
    EXPECT_EQ(open.dbFile, GetParam().open.dbFile);
    EXPECT_EQ(open.address, GetParam().open.address);
    EXPECT_EQ(open.servFile, GetParam().open.servFile);
    EXPECT_EQ(open.otherDbFile, GetParam().open.otherDbFile);
}

INSTANTIATE_TEST_SUITE_P(Ways, FieldsOpen,
                         ::testing::Values(OpenFields{"Local", ConnectionChoice::Local, {true, false, false, false}},
                                           OpenFields{"Tcp", ConnectionChoice::Tcp, {false, true, true, false}},
                                           OpenFields{"Other", ConnectionChoice::Other, {false, false, false, true}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(DatabaseFileRequest, OffersFirebirdDatabasesInTheFieldsFolder) {
    const ui::FileOpenRequest request = wizard::pages::DatabaseFileRequest("C:\\Base\\Ancien\\data.fdb");
    EXPECT_EQ(request.title, "Ouvrir");
    EXPECT_EQ(request.filter, "Bases de données Firebird|*.FDB;*.fdb");
    EXPECT_EQ(request.initialFolder, "C:\\Base\\Ancien\\");
    EXPECT_EQ(wizard::pages::DatabaseFileRequest("data.fdb").initialFolder, "") << "a bare name gives no folder";
}

} // namespace
