// quarnel-pack as a person runs it: pack a folder, list the package, extract it, compare.

#include "TestFiles.h"
#include "ToolRun.h"
#include "update/package/PackageReader.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace packagetest;

const std::filesystem::path kTool = QUARNEL_PACK_PROGRAM;

struct TreeFile {
    std::string hostPath; // below the source folder
    Bytes content;
    std::int64_t seconds;
    long nanoseconds;
};

// The files of a typical update, with last-write times that use the full nanosecond precision.
std::vector<TreeFile> SampleTree() {
    return {
        {"Updates.txt",
         Bytes{'V', 'T', 'P', 'O', 'r', 'b', 'e', 'l', '\r', '\n', 'S', 'u', 'v', 'a', 'n', 'a', '\r', '\n'},
         1700000000, 123456789},
        {"AppInfo1.txt", Bytes{'M', 'i', 's', 'e', ' ', 0xE0, ' ', 'j', 'o', 'u', 'r', '\r', '\n'}, 1234567890,
         999999999},
        {"VTPOrbel.exe", NoiseBytes(1024 * 1024 + 3, 11), 1600000000, 1},
        {"zvk/SA-00.int", TextBytes(70000), 1500000000, 500},
        {"zvk/deeper/Vide.dat", {}, 1400000000, 0},
    };
}

std::string Upper(std::string text) {
    for (auto& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

class PackTool : public testing::Test {
protected:
    void SetUp() override {
        for (const auto& file : SampleTree()) {
            WriteFile(FSource / file.hostPath, file.content);
            SetModified(FSource / file.hostPath, file.seconds, file.nanoseconds);
        }
    }

    ToolResult Run(const std::vector<std::string>& args) const { return RunProgram(kTool, args, FFolder.Path()); }

    std::vector<std::string> FilesBelow(const std::filesystem::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_directory()) {
                names.push_back(entry.path().lexically_relative(folder).string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder FFolder;
    std::filesystem::path FSource = FFolder / "source";
};

TEST_F(PackTool, PackListAndExtractGiveEveryFileBackWithItsDateToTheTick) {
    const auto package = FFolder / "update.pkg";
    const ToolResult pack = Run({FSource.string(), "-o", package.string()});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;

    const ToolResult list = Run({"--list", package.string()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::map<std::string, std::vector<std::string>> listed;
    std::istringstream lines(list.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell);
        }
        ASSERT_EQ(fields.size(), 4U) << line;
        listed[fields[0]] = fields;
    }
    ASSERT_EQ(listed.size(), 5U) << list.out;
    EXPECT_EQ(listed.at("UPDATES.TXT")[1], "18");
    EXPECT_EQ(listed.at("UPDATES.TXT")[2], "2023-11-14T22:13:20.1234567Z");
    EXPECT_EQ(listed.at("APPINFO1.TXT")[2], "2009-02-13T23:31:30.9999999Z");
    EXPECT_EQ(listed.at("ZVK\\DEEPER\\VIDE.DAT")[1], "0");
    const update::package::PackageReader reader(package);
    for (const auto& entry : reader.Entries()) {
        EXPECT_EQ(listed.at(entry.name)[3], update::package::DigestHex(entry.digest));
        EXPECT_EQ(listed.at(entry.name)[3].size(), 64U);
    }

    const auto out = FFolder / "out";
    const ToolResult extract = Run({"--extract", package.string(), out.string()});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(FilesBelow(out).size(), SampleTree().size());
    for (const auto& file : SampleTree()) {
        SCOPED_TRACE(file.hostPath);
        const auto extracted = out / Upper(file.hostPath);
        EXPECT_EQ(ReadFile(extracted), file.content);
        struct stat info {};
        ASSERT_EQ(::stat(extracted.c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, file.seconds);
        EXPECT_EQ(info.st_mtim.tv_nsec, file.nanoseconds / 100 * 100);
    }
}

TEST_F(PackTool, SameFolderGivesTheSameBytesWhateverTheThreads) {
    ASSERT_EQ(Run({FSource.string(), "-o", (FFolder / "one").string(), "--threads", "1"}).exitCode, 0);
    ASSERT_EQ(Run({FSource.string(), "-o", (FFolder / "three").string(), "--threads", "3"}).exitCode, 0);
    ASSERT_EQ(Run({FSource.string(), "-o", (FFolder / "again").string()}).exitCode, 0);
    EXPECT_EQ(ReadFile(FFolder / "one"), ReadFile(FFolder / "three"));
    EXPECT_EQ(ReadFile(FFolder / "one"), ReadFile(FFolder / "again"));
}

TEST_F(PackTool, AnEarlierOutputInsideTheSourceFolderIsLeftOut) {
    const auto package = FSource / "update.pkg";
    ASSERT_EQ(Run({FSource.string(), "-o", package.string()}).exitCode, 0);
    const Bytes first = ReadFile(package);
    const ToolResult again = Run({FSource.string(), "-o", package.string()});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(ReadFile(package), first);
    const ToolResult list = Run({"--list", package.string()});
    EXPECT_EQ(list.out.find("UPDATE.PKG"), std::string::npos) << list.out;
}

TEST_F(PackTool, WizardCopyStillRunsAndCarriesThePackage) {
    const auto packed = FFolder / "wizard-packed";
    const ToolResult pack = Run({FSource.string(), "-o", packed.string(), "--wizard", kTool.string()});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    const Bytes program = ReadFile(kTool);
    const Bytes output = ReadFile(packed);
    ASSERT_GT(output.size(), program.size());
    EXPECT_TRUE(std::equal(program.begin(), program.end(), output.begin()));
    EXPECT_EQ(::access(packed.c_str(), X_OK), 0);

    const ToolResult help = RunProgram(packed, {"--help"}, FFolder.Path());
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_NE(help.out.find("Utilisation"), std::string::npos);

    const ToolResult list = Run({"--list", packed.string()});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("ZVK\\SA-00.INT\t70000\t"), std::string::npos) << list.out;

    // A program without a package is no package: said so, rather than an empty list.
    const ToolResult bare = Run({"--list", kTool.string()});
    EXPECT_EQ(bare.exitCode, 1) << bare.err;
    EXPECT_EQ(bare.out, "");
    EXPECT_NE(bare.err.find("n'est pas un paquet de mise à jour"), std::string::npos) << bare.err;
}

TEST_F(PackTool, DamagedPackageIsRefusedAndNothingIsWritten) {
    const auto package = FFolder / "update.pkg";
    ASSERT_EQ(Run({FSource.string(), "-o", package.string()}).exitCode, 0);
    Bytes bytes = ReadFile(package);
    bytes[bytes.size() / 2] ^= 0x40;
    WriteFile(package, bytes);
    const auto out = FFolder / "out";
    const ToolResult extract = Run({"--extract", package.string(), out.string()});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_NE(extract.err.find("Le paquet de mise à jour est endommagé : "), std::string::npos) << extract.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    const ToolResult list = Run({"--list", package.string()});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_EQ(list.out, "");
}

struct FailureRow {
    const char* label;
    // Prepares the case below `folder` and returns the arguments.
    std::function<std::vector<std::string>(const std::filesystem::path& folder)> prepare;
    int exitCode;
    const char* messagePart;
};

class PackToolFailures : public testing::TestWithParam<FailureRow> {};

TEST_P(PackToolFailures, ReportClearlyAndLeaveNoOutput) {
    TempFolder folder;
    const auto args = GetParam().prepare(folder.Path());
    const auto before = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
            names.push_back(entry.path().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }();
    const ToolResult result = RunProgram(kTool, args, folder.Path());
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    EXPECT_NE(result.err.find(GetParam().messagePart), std::string::npos) << result.err;
    std::vector<std::string> after;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
        after.push_back(entry.path().string());
    }
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before) << "the run left files behind";
}

std::vector<std::string> PackArgs(const std::filesystem::path& folder) {
    return {(folder / "src").string(), "-o", (folder / "out.pkg").string()};
}

INSTANTIATE_TEST_SUITE_P(
    Table, PackToolFailures,
    testing::Values(
        FailureRow{"EmptyFolder",
                   [](const auto& folder) {
                       std::filesystem::create_directories(folder / "src" / "only-a-folder");
                       return PackArgs(folder);
                   },
                   1, "ne contient aucun fichier"},
        FailureRow{"MissingFolder", [](const auto& folder) { return PackArgs(folder); }, 1, "introuvable"},
        FailureRow{"NameTooLong",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / std::string(200, 'd') / std::string(59, 'f'), "x");
                       WriteFile(folder / "src" / "ok.txt", "x");
                       return PackArgs(folder);
                   },
                   1, "dépasse 259 caractères"},
        FailureRow{"NameWithBackslash",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "a\\b.txt", "x");
                       return PackArgs(folder);
                   },
                   1, "contient « \\ »"},
        FailureRow{"DanglingLink",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       std::filesystem::create_symlink(folder / "nowhere", folder / "src" / "lost.txt");
                       return PackArgs(folder);
                   },
                   1, "lost.txt"},
        FailureRow{"FileLinkOutOfTheSource",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       WriteFile(folder / "secret.txt", "host file");
                       std::filesystem::create_symlink(folder / "secret.txt", folder / "src" / "leak.txt");
                       return PackArgs(folder);
                   },
                   1, "leak.txt » mène hors du dossier source"},
        FailureRow{"FolderLinkOutOfTheSource",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       WriteFile(folder / "elsewhere" / "secret.txt", "host file");
                       std::filesystem::create_directory_symlink(folder / "elsewhere", folder / "src" / "Sub");
                       return PackArgs(folder);
                   },
                   1, "Sub » mène hors du dossier source"},
        FailureRow{"OutputFolderMissing",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       return std::vector<std::string>{(folder / "src").string(), "-o",
                                                       (folder / "missing" / "out.pkg").string()};
                   },
                   1, "Impossible d'écrire"},
        FailureRow{"OutputIsAFolder",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       WriteFile(folder / "out.pkg" / "inside", "x");
                       return PackArgs(folder);
                   },
                   1, "Impossible d'écrire"},
        FailureRow{"WizardMissing",
                   [](const auto& folder) {
                       WriteFile(folder / "src" / "ok.txt", "x");
                       auto args = PackArgs(folder);
                       args.insert(args.end(), {"--wizard", (folder / "nowizard").string()});
                       return args;
                   },
                   1, "nowizard"},
        FailureRow{"NoArguments", [](const auto&) { return std::vector<std::string>{}; }, 64, "Utilisation"},
        FailureRow{"UnknownOption", [](const auto&) { return std::vector<std::string>{"--frobnicate"}; }, 64,
                   "--frobnicate"},
        FailureRow{"MissingOutput", [](const auto&) { return std::vector<std::string>{"src"}; }, 64, "-o"},
        FailureRow{"ListWithoutPackage", [](const auto&) { return std::vector<std::string>{"--list"}; }, 64, "--list"},
        FailureRow{"ExtractWithoutFolder",
                   [](const auto&) {
                       return std::vector<std::string>{"--extract", "x.pkg"};
                   },
                   64, "--extract"},
        FailureRow{"BadThreadCount",
                   [](const auto& folder) {
                       auto args = PackArgs(folder);
                       args.insert(args.end(), {"--threads", "0"});
                       return args;
                   },
                   64, "--threads"},
        FailureRow{"ListPlainText",
                   [](const auto& folder) {
                       WriteFile(folder / "notes.txt", "Bonjour\r\n");
                       return std::vector<std::string>{"--list", (folder / "notes.txt").string()};
                   },
                   1, "n'est pas un paquet de mise à jour"},
        FailureRow{"ListAllZeros",
                   [](const auto& folder) {
                       WriteFile(folder / "zeros.pkg", std::string(4096, '\0'));
                       return std::vector<std::string>{"--list", (folder / "zeros.pkg").string()};
                   },
                   1, "ne contient que des octets nuls"},
        FailureRow{"ListFolder",
                   [](const auto& folder) {
                       std::filesystem::create_directories(folder / "dossier.pkg");
                       return std::vector<std::string>{"--list", (folder / "dossier.pkg").string()};
                   },
                   1, "n'est pas un fichier ordinaire"},
        FailureRow{"ExtractPlainText",
                   [](const auto& folder) {
                       WriteFile(folder / "notes.txt", "Bonjour\r\n");
                       return std::vector<std::string>{"--extract", (folder / "notes.txt").string(),
                                                       (folder / "out").string()};
                   },
                   1, "n'est pas un paquet de mise à jour"},
        FailureRow{"ListMissingPackage",
                   [](const auto& folder) {
                       return std::vector<std::string>{"--list", (folder / "none.pkg").string()};
                   },
                   1, "none.pkg"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(PackToolHelp, PrintsUsageAndSucceeds) {
    TempFolder folder;
    const ToolResult result = RunProgram(kTool, {"--help"}, folder.Path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("quarnel-pack --extract PAQUET DOSSIER"), std::string::npos) << result.out;
}

TEST(PackToolUnreadable, ReportsAFileItCannotRead) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop the superuser from reading";
    }
    TempFolder folder;
    WriteFile(folder / "src" / "secret.txt", "x");
    std::filesystem::permissions(folder / "src" / "secret.txt", std::filesystem::perms::none);
    const ToolResult result = RunProgram(kTool, PackArgs(folder.Path()), folder.Path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("secret.txt"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pkg"));
}

} // namespace
