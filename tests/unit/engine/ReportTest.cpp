// The installation report and the logged file operations.

#include "EngineFixture.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "update/engine/EngineMessages.h"

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace enginetest {
namespace {

constexpr platform::FileTime kSourceTime = 132'000'000'123'456'789ULL;

TEST_F(EngineTest, LoggingBeforeInitLogIsIgnored) {
    update::TdmUpdateCommon engine(MakePackage({}));
    engine.AddToLog("perdu", 10);
    engine.LogSameFile("C:\\A.exe");
    engine.LogNotReplacedFile("C:\\A.exe");
    engine.InitLog(&Report());
    EXPECT_EQ(Report().LineCount(), 0);
    engine.AddToLog("gardé");
    EXPECT_EQ(ReportText(), "gardé");
    engine.InitLog(nullptr);
    engine.AddToLog("perdu aussi");
    EXPECT_EQ(ReportText(), "gardé");
}

TEST_F(EngineTest, FontSizeAndNameContinueForLaterLines) {
    MakeEngine();
    Engine().AddToLog("Mise à jour : Orbel  10.12.2026 02:30:00\r\n", 10);
    Engine().AddToLog("Copie de C:\\a");
    Engine().AddToLog("suite", 0, "Courier New");
    Engine().AddToLog("fin", 12);
    const auto& paragraphs = Report().Document().Paragraphs();
    ASSERT_EQ(paragraphs.size(), 5u);
    EXPECT_EQ(ReportText(), "Mise à jour : Orbel  10.12.2026 02:30:00\r\n\r\nCopie de C:\\a\r\nsuite\r\nfin");
    EXPECT_EQ(paragraphs[0].runs.front().format.sizePoints, 10);
    EXPECT_EQ(paragraphs[2].runs.front().format.sizePoints, 10);
    EXPECT_EQ(paragraphs[2].runs.front().format.fontName,
              Report().Document().Paragraphs()[0].runs.front().format.fontName);
    EXPECT_EQ(paragraphs[3].runs.front().format.fontName, "Courier New");
    EXPECT_EQ(paragraphs[4].runs.front().format.fontName, "Courier New");
    EXPECT_EQ(paragraphs[4].runs.front().format.sizePoints, 12);
}

TEST_F(EngineTest, ReportTakesTheFocusWhenItCan) {
    MakeEngine();
    Report().SetCanFocus(false);
    Engine().AddToLog("a");
    EXPECT_FALSE(Report().HasFocus());
    Report().SetCanFocus(true);
    Engine().AddToLog("b");
    EXPECT_TRUE(Report().HasFocus());
}

TEST_F(EngineTest, SameAndNotReplacedLines) {
    MakeEngine();
    Engine().LogSameFile("C:\\Orbel\\VTPOrbel.exe");
    Engine().LogNotReplacedFile("C:\\Orbel\\VTPOrbel.exe");
    EXPECT_EQ(ReportText(), "Le fichier C:\\Orbel\\VTPOrbel.exe\r\n"
                            "est à jour : il n'est pas remplacé.\r\n\r\n"
                            "Le fichier C:\\Orbel\\VTPOrbel.exe\r\n"
                            "n'est pas remplacé !!!\r\n");
}

class LogCopyFileTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeEngine();
        WriteFile(kSource, "nouveau contenu");
        ASSERT_TRUE(platform::SetFileLastWriteTime(kSource, kSourceTime));
    }
    static constexpr const char* kSource = "C:\\Temp\\Update12.tmp";
    static constexpr const char* kTarget = "C:\\Programs\\Orbel\\VTPOrbel.exe";
};

TEST_F(LogCopyFileTest, LoggedCopyWritesTwoLinesAndPumpsMessages) {
    MakeFolder("C:\\Programs\\Orbel");
    const int pumped = Ui().ProcessMessagesCount();
    Engine().LogCopyFile(kSource, kTarget, true);
    EXPECT_EQ(ReportText(), std::string("Copie de ") + kSource + "\r\nvers " + kTarget + "\r\n");
    EXPECT_GT(Ui().ProcessMessagesCount(), pumped);
    EXPECT_EQ(ReadFile(kTarget), "nouveau contenu");
    EXPECT_EQ(platform::GetFileLastWriteTime(kTarget), kSourceTime);
}

TEST_F(LogCopyFileTest, UnloggedCopyWritesNoLine) {
    MakeFolder("C:\\Programs\\Orbel");
    Engine().LogCopyFile(kSource, kTarget, false);
    EXPECT_EQ(ReportText(), "");
    EXPECT_EQ(ReadFile(kTarget), "nouveau contenu");
}

TEST_F(LogCopyFileTest, ReadOnlyTargetIsOverwrittenAndLeftNormal) {
    WriteFile(kTarget, "ancien");
    ASSERT_TRUE(platform::SetFileAttributes(kTarget, platform::kFileAttributeReadOnly));
    Engine().LogCopyFile(kSource, kTarget, true);
    EXPECT_EQ(ReadFile(kTarget), "nouveau contenu");
    EXPECT_EQ(platform::GetFileAttributes(kTarget), platform::kFileAttributeNormal);
}

TEST_F(LogCopyFileTest, ReadOnlySourceGivesANormalTarget) {
    MakeFolder("C:\\Programs\\Orbel");
    ASSERT_TRUE(platform::SetFileAttributes(kSource, platform::kFileAttributeReadOnly));
    Engine().LogCopyFile(kSource, kTarget, false);
    EXPECT_EQ(platform::GetFileAttributes(kTarget), platform::kFileAttributeNormal);
}

struct CopyFailureCase {
    const char* label;
    bool targetExists;
    bool targetReadOnly;
    bool holdTarget;
    bool sourceMissing;
    platform::ErrorCode code;
};

class LogCopyFailureTest : public LogCopyFileTest, public ::testing::WithParamInterface<CopyFailureCase> {};

TEST_P(LogCopyFailureTest, FailureNamesBothPathsAndKeepsTheOldFile) {
    const CopyFailureCase& row = GetParam();
    const std::string source = row.sourceMissing ? "C:\\Temp\\Update99.tmp" : kSource;
    MakeFolder("C:\\Programs\\Orbel");
    if (row.targetExists)
        WriteFile(kTarget, "ancien");
    if (row.targetReadOnly) {
        ASSERT_TRUE(platform::SetFileAttributes(kTarget, platform::kFileAttributeReadOnly));
    }
    platform::FileHandle holder;
    if (row.holdTarget) {
        holder = platform::CreateFile(kTarget, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
        ASSERT_TRUE(holder.IsValid());
    }
    try {
        Engine().LogCopyFile(source, kTarget, true);
        FAIL() << "the copy cannot succeed";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Source : " + source + "\r\nDestination : " + kTarget +
                      "\r\n\r\nErreur : " + "Erreur système.  Code : " + std::to_string(row.code) + ".\r\n" +
                      platform::SystemErrorText(row.code));
    }
    EXPECT_EQ(ReportText(), "Copie de " + source + "\r\nvers " + kTarget + "\r\n");
    if (row.targetExists) {
        EXPECT_EQ(ReadFile(kTarget), "ancien");
        EXPECT_EQ(platform::GetFileAttributes(kTarget), platform::kFileAttributeNormal);
    } else {
        EXPECT_FALSE(Exists(kTarget));
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, LogCopyFailureTest,
                         ::testing::Values(CopyFailureCase{"TargetInUse", true, false, true, false, 32},
                                           CopyFailureCase{"ReadOnlyTargetInUse", true, true, true, false, 32},
                                           CopyFailureCase{"SourceMissingOverOldFile", true, true, false, true, 2},
                                           CopyFailureCase{"SourceMissingNoTarget", false, false, false, true, 2}),
                         [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST_F(LogCopyFileTest, MissingTargetFolderFailsWithThePathCode) {
    try {
        Engine().LogCopyFile(kSource, "C:\\Nowhere\\A.exe", false);
        FAIL() << "a missing folder was written to";
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find("Erreur système.  Code : 3."), std::string::npos) << error.what();
    }
}

struct CopyProgressCase {
    const char* label;
    std::uint64_t size;
    bool shown;
};

class LogCopyProgressTest : public LogCopyFileTest, public ::testing::WithParamInterface<CopyProgressCase> {};

// A large file moves the window's bar (or the --progress lines) while it is copied; a small one
// shows nothing, so that a list of small files does not flicker.
TEST_P(LogCopyProgressTest, LargeFileShowsItsCopyWithTheNameOfTheFileWritten) {
    const CopyProgressCase& row = GetParam();
    const std::string source = "C:\\Temp\\Update14.tmp";
    WriteFile(source, std::string(row.size, 'n'));
    MakeFolder("C:\\Programs\\Orbel");
    Engine().LogCopyFile(source, kTarget, true);
    EXPECT_EQ(platform::GetFileSize(kTarget), row.size);
    if (!row.shown) {
        EXPECT_TRUE(Ui().Progress().empty());
        return;
    }
    ASSERT_EQ(Ui().Progress().size(), 1u);
    const ui::ProgressRecord& copy = Ui().Progress()[0];
    EXPECT_EQ(copy.label, "Copie de VTPOrbel.exe");
    EXPECT_EQ(copy.total, row.size);
    EXPECT_TRUE(copy.ended);
    ASSERT_GT(copy.steps.size(), 10u) << "the bar moves during the copy";
    EXPECT_TRUE(std::is_sorted(copy.steps.begin(), copy.steps.end()));
    EXPECT_EQ(copy.steps.back(), row.size);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LogCopyProgressTest,
    ::testing::Values(CopyProgressCase{"JustBelowTheThreshold", update::TdmUpdateCommon::kProgressFromSize - 1, false},
                      CopyProgressCase{"AtTheThreshold", update::TdmUpdateCommon::kProgressFromSize, true}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

// A copy that dies half-way (here the process may not write past 64 KiB) must leave the installed
// file whole. Runs in a child process so that the limit binds nothing else.
TEST_F(LogCopyFileTest, CopyFailingHalfWayLeavesTheOldFileWholeAndEndsItsProgress) {
    const std::string big = "C:\\Temp\\Update13.tmp";
    WriteFile(big, std::string(update::TdmUpdateCommon::kProgressFromSize, 'n'));
    WriteFile(kTarget, "ancien programme");
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            Engine().LogCopyFile(big, kTarget, false);
        } catch (const Exception& error) {
            const bool named = std::string(error.what()).starts_with("Source : " + big + "\r\nDestination : ");
            const bool ended = Ui().Progress().size() == 1 && Ui().Progress()[0].ended;
            ::_exit(!named ? 2 : !ended ? 3 : 0);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: the copy succeeded, 2: the message does not name the files, 3: the progress was not ended";
    EXPECT_EQ(ReadFile(kTarget), "ancien programme");
    // Nothing half-written is left beside the target.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host(kTarget).parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"VTPOrbel.exe"});
}

struct DeleteCase {
    const char* label;
    bool exists;
    bool hold;
    bool readOnly;
    platform::ErrorCode code; // 0: deleted
};

class LogDeleteFileTest : public EngineTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(LogDeleteFileTest, LineComesFirstThenTheDeletion) {
    const DeleteCase& row = GetParam();
    MakeEngine();
    const std::string file = "C:\\Temp\\Update77.tmp";
    MakeFolder("C:\\Temp");
    if (row.exists)
        WriteFile(file, "x");
    if (row.readOnly) {
        ASSERT_TRUE(platform::SetFileAttributes(file, platform::kFileAttributeReadOnly));
    }
    platform::FileHandle holder;
    if (row.hold) {
        holder = platform::CreateFile(file, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
        ASSERT_TRUE(holder.IsValid());
    }
    if (row.code == 0) {
        Engine().LogDeleteFile(file);
        EXPECT_FALSE(Exists(file));
    } else {
        try {
            Engine().LogDeleteFile(file);
            FAIL() << "the deletion cannot succeed";
        } catch (const platform::SystemError& error) {
            EXPECT_EQ(error.Code(), row.code);
            EXPECT_EQ(std::string(error.what()), platform::SystemErrorMessage(row.code));
        }
        EXPECT_EQ(Exists(file), row.exists);
    }
    EXPECT_EQ(ReportText(), "Fichier " + file + " est supprimé.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Deletions, LogDeleteFileTest,
                         ::testing::Values(DeleteCase{"Deleted", true, false, false, 0},
                                           DeleteCase{"Locked", true, true, false, 32},
                                           DeleteCase{"ReadOnly", true, false, true, 5},
                                           DeleteCase{"Missing", false, false, false, 2}),
                         [](const auto& testInfo) { return std::string(testInfo.param.label); });

} // namespace
} // namespace enginetest
