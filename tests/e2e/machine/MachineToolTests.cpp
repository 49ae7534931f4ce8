// quarnel-machine as a user runs it: on a fresh prefix, through its verbs.

#include "files/HostFile.h"
#include "process/ToolPrefix.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramResult;

using testsupport::ReadBytes;
using testsupport::WriteBytes;

// UTF-16LE with a byte-order mark, from ASCII-only text (what regedit writes for such keys).
std::string Utf16LeWithBom(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

class MachineTool : public testing::Test {
protected:
    void SetUp() override {
        const ProgramResult init = FPrefix.Init();
        ASSERT_EQ(init.exitCode, 0) << init.err;
    }

    ProgramResult Run(const std::vector<std::string>& args) { return FPrefix.Machine(args); }
    fs::path Folder() const { return FPrefix.Folder(); }

private:
    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-machine-e2e"};
};

TEST_F(MachineTool, MapsPathsWithoutRegardToCaseAndRefusesClimbingOut) {
    const fs::path drive = Folder() / "prefix" / "drives" / "C";
    fs::create_directories(drive / "Apps" / "Veltrane");

    const ProgramResult existing = Run({"path", "c:\\APPS\\veltrane\\New.exe"});
    EXPECT_EQ(existing.exitCode, 0);
    EXPECT_EQ(existing.out, (drive / "Apps" / "Veltrane" / "New.exe").string() + "\n");

    EXPECT_EQ(Run({"path", "C:\\Apps\\..\\..\\etc"}).exitCode, 1);
    EXPECT_EQ(Run({"path", "\\\\server\\share\\file"}).exitCode, 1);
    EXPECT_EQ(Run({"path", "Q:\\nothing"}).exitCode, 1);
}

TEST_F(MachineTool, AddsADriveThatPathsThenReach) {
    const fs::path share = Folder() / "share";
    const ProgramResult added = Run({"drive", "s", share.string(), "remote"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_TRUE(fs::is_directory(share));
    EXPECT_EQ(Run({"path", "S:\\Data\\base.fdb"}).out, (share / "Data" / "base.fdb").string() + "\n");
    EXPECT_NE(Run({"show"}).out.find("S:  remote, NTFS, " + share.string()), std::string::npos);
    EXPECT_EQ(Run({"drive", "s", share.string(), "floppy"}).exitCode, 64);
}

TEST_F(MachineTool, RegistryValueAddedReadsBackThroughQueryAndExport) {
    const std::string key = "HKCU\\Software\\QUARNEL S.A.\\Veltrane\\Program";
    const ProgramResult added =
        Run({"reg", "add", key, "/v", "Filename", "/d", "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe", "/f"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    ASSERT_EQ(Run({"reg", "add", key, "/v", "Count", "/t", "REG_DWORD", "/d", "42", "/f"}).exitCode, 0);

    const ProgramResult query = Run({"reg", "query", key});
    ASSERT_EQ(query.exitCode, 0) << query.err;
    EXPECT_NE(query.out.find("Filename    REG_SZ    C:\\Apps\\Veltrane\\Programs\\Veltrane.exe"), std::string::npos)
        << query.out;
    EXPECT_NE(query.out.find("Count    REG_DWORD    0x2a"), std::string::npos) << query.out;

    const fs::path exported = Folder() / "exported.reg";
    ASSERT_EQ(Run({"reg", "export", key, exported.string(), "/y"}).exitCode, 0);
    const std::string bytes = ReadBytes(exported);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(Utf16LeWithBom("\"Count\"=dword:0000002a\r\n").substr(2)), std::string::npos);

    ASSERT_EQ(Run({"reg", "delete", key, "/v", "Count", "/f"}).exitCode, 0);
    EXPECT_EQ(Run({"reg", "query", key, "/v", "Count"}).exitCode, 1);
}

TEST_F(MachineTool, FileExportedByRegeditImportsUnchanged) {
    const std::string regedit = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\Veltrane]\r\n"
                                "\"BaseFolder\"=\"C:\\\\Apps\\\\Veltrane\\\\\"\r\n"
                                "\"Quoted\"=\"say \\\"yes\\\"\"\r\n"
                                "\"Count\"=dword:0000002a\r\n"
                                "\"Big\"=hex(b):00,00,00,00,01,00,00,00\r\n"
                                "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
                                "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                "\"Blob\"=hex:01,02,03\r\n"
                                "@=\"default\"\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\Veltrane\\Program]\r\n"
                                "\"Filename\"=\"C:\\\\Apps\\\\Veltrane\\\\Programs\\\\Veltrane.exe\"\r\n\r\n";
    const fs::path source = Folder() / "regedit.reg";
    WriteBytes(source, Utf16LeWithBom(regedit));

    const ProgramResult imported = Run({"reg", "import", source.string()});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const fs::path exported = Folder() / "again.reg";
    ASSERT_EQ(Run({"reg", "export", "HKCU\\Software\\QUARNEL S.A.\\Veltrane", exported.string(), "/y"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(exported), ReadBytes(source));
}

struct VersionRow {
    const char* file;
    const char* expected;
};

TEST_F(MachineTool, PrintsTheVersionThatTheResourceScriptSays) {
    const VersionRow rows[] = {
        {"french64.dll", "2.5.2.26540\nFileVersion: WI-V2.5.2.26540\n"},
        {"english32.dll", "6.3.2.4731\nFileVersion: WI-V6.3.2.4731 (fr)\n"}, // its French table, on a French machine
        {"fixedonly32.dll", "1.0.0.0\n"},
        {"noversion64.dll", "?\n"},
        {"french64.rc", "?\n"}, // a text file
    };
    for (const VersionRow& row : rows) {
        const ProgramResult result = Run({"version", (fs::path(QUARNEL_PE_FIXTURES) / row.file).string()});
        EXPECT_EQ(result.exitCode, 0) << row.file;
        EXPECT_EQ(result.out, row.expected) << row.file;
    }
}

TEST_F(MachineTool, VersionReadsWindowsPathsThroughTheDrives) {
    const fs::path folder = Folder() / "prefix" / "drives" / "C" / "Program Files" / "Firebird";
    fs::create_directories(folder);
    fs::copy_file(fs::path(QUARNEL_PE_FIXTURES) / "english32.dll", folder / "gds32.dll");
    const ProgramResult result = Run({"version", "C:\\program files\\FIREBIRD\\GDS32.DLL"});
    EXPECT_EQ(result.out, "6.3.2.4731\nFileVersion: WI-V6.3.2.4731 (fr)\n");
}

TEST_F(MachineTool, RejectsUnknownVerbsAndExplainsItself) {
    EXPECT_EQ(Run({"frobnicate"}).exitCode, 64);
    const ProgramResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* verb : {"init", "show", "drive", "path", "version", "reg query", "firebird start"})
        EXPECT_NE(help.out.find(verb), std::string::npos) << verb;
}

TEST_F(MachineTool, EveryUsageErrorExitsWithTheCodeItsHelpGives) {
    const ProgramResult help = Run({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Codes de sortie :"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("64  utilisation incorrecte"), std::string::npos) << help.out;
    const std::vector<std::vector<std::string>> usageErrors = {
        {"frobnicate"}, {"init", "x"}, {"show", "x"}, {"path"}, {"version"}, {"reboot", "now"},
        {"drive", "s"}, {"reg"}, {"reg", "query", "HKCU\\A", "/x"}, {"reg", "add", "HKCR\\A"},
        {"reg", "add", "HKCU\\A", "/v", "x", "/t", "REG_DWORD", "/d", "douze"},
    };
    for (const auto& args : usageErrors) {
        const ProgramResult result = Run(args);
        EXPECT_EQ(result.exitCode, 64) << args.front() << (args.size() > 1 ? " " + args[1] : "") << ": " << result.err;
        EXPECT_FALSE(result.err.empty()) << args.front();
    }
}

TEST_F(MachineTool, AnswersInFrench) {
    EXPECT_NE(Run({"frobnicate"}).err.find("verbe inconnu « frobnicate »"), std::string::npos);
    EXPECT_NE(Run({"show"}).out.find("Lecteurs :"), std::string::npos);
    EXPECT_EQ(Run({"reg", "add", "HKCU\\Software\\A", "/v", "v", "/d", "1"}).out, "L'opération a réussi.\n");
    EXPECT_EQ(Run({"reg", "query", "HKCU\\Software\\Nothing"}).err,
              "ERREUR : le système n'a pas trouvé la clé ou la valeur de Registre spécifiée.\n");
    EXPECT_NE(Run({"path", "Q:\\x"}).err.find("n'est pas un chemin des lecteurs de cette machine"), std::string::npos);
}

TEST_F(MachineTool, RefusesAPathThatIsNotUtf8InsteadOfPrintingItsBytes) {
    const ProgramResult result = Run({"path", "C:\\Apps\\\xE9t\xE9"});
    EXPECT_EQ(result.exitCode, 64);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("UTF-8"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\xE9'), std::string::npos);
    EXPECT_EQ(Run({"reg", "add", "HKCU\\Software\\\xE9", "/f"}).exitCode, 64);
}

TEST_F(MachineTool, VersionOfAMissingFileIsAnError) {
    for (const std::string& file : {std::string("C:\\Apps\\Missing.dll"), (Folder() / "missing.dll").string()}) {
        const ProgramResult result = Run({"version", file});
        EXPECT_EQ(result.exitCode, 1) << file;
        EXPECT_EQ(result.out, "") << file;
        EXPECT_NE(result.err.find("n'est pas un fichier existant"), std::string::npos) << result.err;
    }
}

} // namespace
