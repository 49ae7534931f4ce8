// The run journal's lines: what is written reads back the same, and a journal that does not hold
// is refused with its line, never guessed at.

#include "update/journal/JournalFormat.h"

#include <gtest/gtest.h>

namespace {

using update::JournalContent;
using update::JournalError;
using update::JournalProduct;
using update::JournalRecord;
using update::JournalRecordKind;

const std::filesystem::path kFile = "/prefix/journal/run-1-2.txt";

std::string Start() {
    return update::FormatJournalStart(4242, "quarnel-update");
}

struct RecordCase {
    const char* name;
    JournalRecord record;
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, ReadsBackAsWritten) {
    const std::string text = Start() +
                             update::FormatJournalRecord(update::ProductRecord(JournalRecordKind::Begin, "NVX")) +
                             update::FormatJournalRecord(GetParam().record);

    const JournalContent content = update::ParseJournal(text, kFile);

    EXPECT_EQ(content.run, "4242\tquarnel-update");
    ASSERT_EQ(content.products.size(), 1u);
    EXPECT_EQ(content.products[0].name, "NVX");
    EXPECT_EQ(content.products[0].state, JournalProduct::State::Open);
    ASSERT_EQ(content.products[0].files.size(), 1u);
    EXPECT_EQ(content.products[0].files[0], GetParam().record);
}

JournalRecord Record(JournalRecordKind kind, std::string target, std::string backup = {}, bool readOnly = false) {
    JournalRecord record;
    record.kind = kind;
    record.target = std::move(target);
    record.backup = std::move(backup);
    record.readOnly = readOnly;
    return record;
}

INSTANTIATE_TEST_SUITE_P(Records, RecordTest,
                         ::testing::Values(RecordCase{"Replace", Record(JournalRecordKind::Replace, "C:\\Prog\\NVX.exe",
                                                                        "C:\\Prog\\NVX.exe.~rollback-1-2-3")},
                                           RecordCase{"ReplaceReadOnly",
                                                      Record(JournalRecordKind::Replace, "C:\\Prog\\Données é.dat",
                                                             "C:\\Prog\\Données é.dat.~rollback-1-2-4", true)},
                                           RecordCase{"New", Record(JournalRecordKind::New, "C:\\Prog\\NVXDOC.pdf")},
                                           RecordCase{"Restart", Record(JournalRecordKind::Restart, "C:\\Prog\\a.dll",
                                                                        "C:\\Prog\\a001.dll")}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(JournalFormatTest, ProductsCloseByCommitOrRollbackAndOneLeftOpenStaysSo) {
    const std::string text = Start() + "begin\tA\nnew\tC:\\a\ncommit\tA\nbegin\tB\nnew\tC:\\b\nrollback\tB\n"
                                       "begin\tC\nnew\tC:\\c\nbegin\tD\nnew\tC:\\d\n";

    const JournalContent content = update::ParseJournal(text, kFile);

    ASSERT_EQ(content.products.size(), 4u);
    EXPECT_EQ(content.products[0].state, JournalProduct::State::Committed);
    EXPECT_EQ(content.products[1].state, JournalProduct::State::RolledBack);
    // A product whose rollback failed stays open while the run goes on with the next one.
    EXPECT_EQ(content.products[2].state, JournalProduct::State::Open);
    EXPECT_EQ(content.products[3].state, JournalProduct::State::Open);
    EXPECT_EQ(content.products[3].files.at(0).target, "C:\\d");
}

TEST(JournalFormatTest, LastLineCutWhileWrittenIsLeftOut) {
    const JournalContent content =
        update::ParseJournal(Start() + "begin\tA\nnew\tC:\\a\nreplace\tC:\\b\tC:\\b.~ro", kFile);

    ASSERT_EQ(content.products.size(), 1u);
    ASSERT_EQ(content.products[0].files.size(), 1u);
    EXPECT_EQ(content.products[0].files[0].target, "C:\\a");
}

struct UnreadableCase {
    const char* name;
    std::string text;
    int line;
};

class UnreadableTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableTest, IsRefusedWithItsFileAndLine) {
    try {
        update::ParseJournal(GetParam().text, kFile);
        FAIL() << "read as a journal";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.File(), kFile);
        EXPECT_EQ(error.Line(), GetParam().line) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Journals, UnreadableTest,
    ::testing::Values(UnreadableCase{"Empty", "", 0}, UnreadableCase{"OtherFile", "[rename]\nC:\\a=C:\\b\n", 1},
                      UnreadableCase{"LaterVersion", "quarnel-journal\t2\nrun\t1\tx\n", 1},
                      UnreadableCase{"NoRunLine", "quarnel-journal\t1\nbegin\tA\n", 2},
                      UnreadableCase{"UnknownRecord", Start() + "begin\tA\nremplace\tC:\\a\n", 4},
                      UnreadableCase{"MissingField", Start() + "begin\tA\nreplace\tC:\\a\tC:\\b\n", 4},
                      UnreadableCase{"ExtraField", Start() + "begin\tA\nnew\tC:\\a\tC:\\b\n", 4},
                      UnreadableCase{"EmptyField", Start() + "begin\tA\nnew\t\n", 4},
                      UnreadableCase{"UnknownAttribute", Start() + "begin\tA\nreplace\tC:\\a\tC:\\b\thidden\n", 4},
                      UnreadableCase{"FileOutsideAProduct", Start() + "new\tC:\\a\n", 3},
                      UnreadableCase{"FileAfterCommit", Start() + "begin\tA\ncommit\tA\nnew\tC:\\a\n", 5},
                      UnreadableCase{"CommitOfAnother", Start() + "begin\tA\ncommit\tB\n", 4}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
