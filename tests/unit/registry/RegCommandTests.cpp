#include "TempFolder.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace platform;
using registry_tests::ReadBytes;
using registry_tests::TempFolder;

class RegCommandTest : public testing::Test {
protected:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };

    Result Reg(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunRegCommand(FRegistry, args, out, err);
        return {code, out.str(), err.str()};
    }

    void RegOk(std::vector<std::string> args) {
        const auto result = Reg(args);
        ASSERT_EQ(result.code, 0) << result.err;
    }

    TempFolder FTemp;
    Registry FRegistry{FTemp.Path() / "registry"};
};

struct AddCase {
    const char* label;
    std::vector<std::string> options;
    std::string queryLine; // the line `reg query /v` prints for the value
};

const AddCase kAdds[] = {
    {"SzByDefault", {"/v", "Nom", "/d", "C:\\Apps\\"}, "    Nom    REG_SZ    C:\\Apps\\"},
    {"ExpandSz", {"/v", "P", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%"}, "    P    REG_EXPAND_SZ    %TEMP%"},
    {"MultiSz", {"/v", "M", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}, "    M    REG_MULTI_SZ    a\\0b"},
    {"MultiSzSeparator",
     {"/v", "M", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b#c"},
     "    M    REG_MULTI_SZ    a\\0b\\0c"},
    {"DwordDecimal", {"/v", "D", "/t", "REG_DWORD", "/d", "42"}, "    D    REG_DWORD    0x2a"},
    {"DwordHex", {"/v", "D", "/t", "reg_dword", "/d", "0xFFFFFFFF"}, "    D    REG_DWORD    0xffffffff"},
    {"Qword", {"/v", "Q", "/t", "REG_QWORD", "/d", "0x100000000"}, "    Q    REG_QWORD    0x100000000"},
    {"Binary", {"/v", "B", "/t", "REG_BINARY", "/d", "00ab10"}, "    B    REG_BINARY    00AB10"},
    {"None", {"/v", "N", "/t", "REG_NONE", "/d", ""}, "    N    REG_NONE    "},
    {"DefaultValue", {"/ve", "/d", "défaut"}, "    (par défaut)    REG_SZ    défaut"},
    {"DashOptions", {"-v", "X", "-d", "y"}, "    X    REG_SZ    y"},
};

class RegAdd : public RegCommandTest, public testing::WithParamInterface<AddCase> {};

TEST_P(RegAdd, ReadsBackThroughQuery) {
    std::vector<std::string> add{"add", "HKCU\\Software\\Test"};
    add.insert(add.end(), GetParam().options.begin(), GetParam().options.end());
    const auto added = Reg(add);
    ASSERT_EQ(added.code, 0) << added.err;
    EXPECT_EQ(added.out, "L'opération a réussi.\n");

    std::vector<std::string> query{"query", "HKEY_CURRENT_USER\\software\\test"};
    const auto& options = GetParam().options;
    if (options[0] == "/ve")
        query.push_back("/ve");
    else
        query.insert(query.end(), {"/v", options[1]});
    const auto queried = Reg(query);
    ASSERT_EQ(queried.code, 0) << queried.err;
    // reg.exe echoes the key as it was typed, with the root's full name.
    EXPECT_EQ(queried.out, "\nHKEY_CURRENT_USER\\software\\test\n" + GetParam().queryLine + "\n\n");
}

INSTANTIATE_TEST_SUITE_P(RegCommand, RegAdd, testing::ValuesIn(kAdds),
                         [](const auto& row) { return std::string(row.param.label); });

struct FailureCase {
    const char* label;
    std::vector<std::string> args;
    std::string err;
    int code = 1; // 64 for a command line that is not understood
};

const FailureCase kFailures[] = {
    {"NoSuchKey",
     {"query", "HKLM\\Software\\Nothing"},
     "ERREUR : le système n'a pas trouvé la clé ou la valeur de Registre spécifiée.\n"},
    {"NoSuchValue",
     {"query", "HKCU\\Software\\Test", "/v", "Nothing"},
     "ERREUR : le système n'a pas trouvé la clé ou la valeur de Registre spécifiée.\n"},
    {"OtherRoot", {"query", "HKCR\\.txt"}, "ERREUR : nom de clé non valide.\nTapez \"REG QUERY /?\" pour afficher la syntaxe.\n", 64},
    {"UnknownOperation", {"copy", "HKCU\\A", "HKCU\\B"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG /?\" pour afficher la syntaxe.\n", 64},
    {"UnknownOption", {"query", "HKCU\\Software", "/x"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG QUERY /?\" pour afficher la syntaxe.\n", 64},
    {"MissingOptionArgument", {"add", "HKCU\\A", "/v"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG ADD /?\" pour afficher la syntaxe.\n", 64},
    {"VAndVe", {"add", "HKCU\\A", "/v", "x", "/ve"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG ADD /?\" pour afficher la syntaxe.\n", 64},
    {"VaOutsideDelete", {"query", "HKCU\\A", "/va"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG QUERY /?\" pour afficher la syntaxe.\n", 64},
    {"DataOutsideAdd",
     {"delete", "HKCU\\A", "/d", "x", "/f"},
     "ERREUR : syntaxe incorrecte.\nTapez \"REG DELETE /?\" pour afficher la syntaxe.\n", 64},
    {"ForceInQuery", {"query", "HKCU\\A", "/f"}, "ERREUR : syntaxe incorrecte.\nTapez \"REG QUERY /?\" pour afficher la syntaxe.\n", 64},
    {"UnknownType",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_FOO"},
     "ERREUR : syntaxe incorrecte.\nTapez \"REG ADD /?\" pour afficher la syntaxe.\n", 64},
    {"DwordNotNumber",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_DWORD", "/d", "12a"},
     "ERREUR : syntaxe incorrecte. Spécifiez une valeur numérique valide pour « /d ».\n", 64},
    {"DwordTooBig",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
     "ERREUR : syntaxe incorrecte. Spécifiez une valeur numérique valide pour « /d ».\n", 64},
    {"BinaryOddDigits",
     {"add", "HKCU\\A", "/v", "x", "/t", "REG_BINARY", "/d", "abc"},
     "ERREUR : syntaxe incorrecte. Spécifiez une valeur hexadécimale valide pour « /d ».\n", 64},
    {"OverwriteWithoutForce",
     {"add", "HKCU\\Software\\Test", "/v", "Existing", "/d", "new"},
     "ERREUR : la valeur Existing existe ; ajoutez /f pour la remplacer.\n"},
    {"DeleteWithoutForce",
     {"delete", "HKCU\\Software\\Test"},
     "ERREUR : REG DELETE ne pose pas de question : ajoutez /f pour supprimer.\n"},
    {"DeleteMissingValue",
     {"delete", "HKCU\\Software\\Test", "/v", "Nothing", "/f"},
     "ERREUR : le système n'a pas trouvé la clé ou la valeur de Registre spécifiée.\n"},
    {"ImportMissingFile",
     {"import", "/nonexistent/file.reg"},
     "ERREUR : erreur lors de l'ouverture du fichier. Il peut s'agir d'une erreur de disque ou de système de fichiers.\n"},

};

class RegFailure : public RegCommandTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(RegFailure, ExitsWithItsCodeAndReportsLikeRegExe) {
    RegOk({"add", "HKCU\\Software\\Test", "/v", "Existing", "/d", "old"});
    const auto result = Reg(GetParam().args);
    EXPECT_EQ(result.code, GetParam().code);
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(result.out, "");
    // Nothing changed.
    const auto existing = Reg({"query", "HKCU\\Software\\Test", "/v", "Existing"});
    EXPECT_EQ(existing.out, "\nHKEY_CURRENT_USER\\Software\\Test\n    Existing    REG_SZ    old\n\n");
}

INSTANTIATE_TEST_SUITE_P(RegCommand, RegFailure, testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(RegCommandTest, QueryListsValuesThenSubKeys) {
    RegOk({"add", "HKLM\\Software\\Q", "/v", "b", "/t", "REG_DWORD", "/d", "1"});
    RegOk({"add", "HKLM\\Software\\Q", "/v", "a", "/d", "x"});
    RegOk({"add", "HKLM\\Software\\Q\\Sub2"});
    RegOk({"add", "HKLM\\Software\\Q\\sub1", "/v", "deep", "/d", "y"});
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q"}).out, "\nHKEY_LOCAL_MACHINE\\Software\\Q\n"
                                                       "    b    REG_DWORD    0x1\n"
                                                       "    a    REG_SZ    x\n\n"
                                                       "HKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n"
                                                       "HKEY_LOCAL_MACHINE\\Software\\Q\\Sub2\n");
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q", "/s"}).out, "\nHKEY_LOCAL_MACHINE\\Software\\Q\n"
                                                             "    b    REG_DWORD    0x1\n"
                                                             "    a    REG_SZ    x\n"
                                                             "\nHKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n"
                                                             "    deep    REG_SZ    y\n"
                                                             "\nHKEY_LOCAL_MACHINE\\Software\\Q\\Sub2\n");
    EXPECT_EQ(
        Reg({"query", "HKLM\\Software", "/v", "DEEP", "/s"}).out,
        "\nHKEY_LOCAL_MACHINE\\Software\\Q\\sub1\n    deep    REG_SZ    y\n\nFin de la recherche : 1 correspondance(s) trouvée(s).\n");
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Q", "/ve"}).out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Q\n    (par défaut)    REG_SZ    (valeur non définie)\n\n");
}

TEST_F(RegCommandTest, AddWithForceOverwritesAndDeleteRemoves) {
    RegOk({"add", "HKCU\\K", "/v", "v", "/d", "1"});
    RegOk({"add", "HKCU\\K", "/v", "v", "/t", "REG_DWORD", "/d", "2", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "v"}).out, "\nHKEY_CURRENT_USER\\K\n    v    REG_DWORD    0x2\n\n");
    RegOk({"add", "HKCU\\K", "/v", "w", "/d", "1"});
    RegOk({"delete", "HKCU\\K", "/v", "V", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "v"}).code, 1);
    RegOk({"delete", "HKCU\\K", "/va", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K", "/v", "w"}).code, 1);
    RegOk({"delete", "HKCU\\K", "/f"});
    EXPECT_EQ(Reg({"query", "HKCU\\K"}).code, 1);
}

TEST_F(RegCommandTest, DeniedKeysReportAccessDenied) {
    RegOk({"add", "HKLM\\Software\\Locked", "/v", "v", "/d", "1"});
    FRegistry.SetKeyAccess(RegistryRoot::LocalMachine, "Software\\Locked", true, true);
    EXPECT_EQ(Reg({"query", "HKLM\\Software\\Locked"}).err, "ERREUR : accès refusé.\n");
    EXPECT_EQ(Reg({"add", "HKLM\\Software\\Locked"}).err, "ERREUR : accès refusé.\n");
    EXPECT_EQ(Reg({"add", "HKLM\\Software\\Locked", "/v", "v", "/d", "2", "/f"}).err, "ERREUR : accès refusé.\n");
    EXPECT_EQ(Reg({"delete", "HKLM\\Software", "/f"}).err, "ERREUR : accès refusé.\n");
    EXPECT_EQ(Reg({"export", "HKLM\\Software", (FTemp.Path() / "x.reg").string()}).err, "ERREUR : accès refusé.\n");
}

TEST_F(RegCommandTest, ExportThenImportIntoAnotherMachineGivesTheSameFile) {
    RegOk({"add", "HKCU\\Software\\QUARNEL S.A.\\Multiste", "/v", "LastCompany", "/d", "Société \"A\""});
    RegOk({"add", "HKCU\\Software\\QUARNEL S.A.\\Multiste", "/v", "Bin", "/t", "REG_BINARY", "/d", "0102"});
    const auto file = FTemp.Path() / "export.reg";
    RegOk({"export", "HKCU\\Software\\QUARNEL S.A.", file.string()});
    const auto exported = ReadBytes(file);
    ASSERT_GE(exported.size(), 2u);
    EXPECT_EQ(exported[0], 0xFF);
    EXPECT_EQ(exported[1], 0xFE);
    EXPECT_EQ(Reg({"export", "HKCU\\Software\\QUARNEL S.A.", file.string()}).code, 1); // exists, no /y
    RegOk({"export", "HKCU\\Software\\QUARNEL S.A.", file.string(), "/y"});

    Registry other(FTemp.Path() / "other");
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> import{"import", file.string()};
    ASSERT_EQ(RunRegCommand(other, import, out, err), 0) << err.str();
    std::vector<std::uint8_t> again;
    ASSERT_EQ(other.Export(RegistryRoot::CurrentUser, "Software\\QUARNEL S.A.", again), kErrorSuccess);
    EXPECT_EQ(again, exported);
}

// An output that is not a regular file is refused, even with /y, and left as it is: a link is not
// followed to the file it names, a FIFO (held open here, so that a write would not block) is not
// written into.
struct ExportOutput {
    const char* name;
    enum { LinkToAFile, Fifo, Folder } kind;
};

class ExportOutputTest : public RegCommandTest, public testing::WithParamInterface<ExportOutput> {};

TEST_P(ExportOutputTest, IsRefusedAndLeftAsItIs) {
    RegOk({"add", "HKCU\\Software\\QUARNEL S.A.", "/v", "a", "/d", "1"});
    const auto output = FTemp.Path() / "export.reg";
    const auto victim = FTemp.Path() / "victim.txt";
    int reader = -1;
    switch (GetParam().kind) {
    case ExportOutput::LinkToAFile:
        std::ofstream(victim) << "intact";
        std::filesystem::create_symlink(victim, output);
        break;
    case ExportOutput::Fifo:
        ASSERT_EQ(::mkfifo(output.c_str(), 0600), 0);
        reader = ::open(output.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        break;
    case ExportOutput::Folder:
        std::filesystem::create_directory(output);
        break;
    }

    const auto result = Reg({"export", "HKCU\\Software\\QUARNEL S.A.", output.string(), "/y"});

    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(output.string()), std::string::npos) << result.err;
    const auto status = std::filesystem::symlink_status(output).type();
    switch (GetParam().kind) {
    case ExportOutput::LinkToAFile:
        EXPECT_EQ(status, std::filesystem::file_type::symlink);
        EXPECT_EQ(ReadBytes(victim), registry_tests::Bytes("intact"));
        break;
    case ExportOutput::Fifo: {
        EXPECT_EQ(status, std::filesystem::file_type::fifo);
        char byte = 0;
        EXPECT_EQ(::read(reader, &byte, 1), -1); // nothing was written into it
        ::close(reader);
        break;
    }
    case ExportOutput::Folder:
        EXPECT_EQ(status, std::filesystem::file_type::directory);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, ExportOutputTest,
                         testing::Values(ExportOutput{"LinkToAFile", ExportOutput::LinkToAFile},
                                         ExportOutput{"Fifo", ExportOutput::Fifo},
                                         ExportOutput{"Folder", ExportOutput::Folder}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(RegCommandTest, ImportOfADamagedFileNamesTheLineAndChangesNothing) {
    const auto file = FTemp.Path() / "bad.reg";
    registry_tests::WriteBytes(file, registry_tests::Bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n"
                                                           "\"b\"=dword:zz\r\n"));
    const auto result = Reg({"import", file.string()});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("bad.reg, ligne 4 : "), std::string::npos) << result.err;
    EXPECT_EQ(Reg({"query", "HKCU\\A"}).code, 1);
}

TEST_F(RegCommandTest, HelpDocumentsEveryOperation) {
    const auto help = Reg({"/?"});
    EXPECT_EQ(help.code, 0);
    for (const char* operation : {"REG QUERY", "REG ADD", "REG DELETE", "REG IMPORT", "REG EXPORT"})
        EXPECT_NE(help.out.find(operation), std::string::npos) << operation;
    EXPECT_EQ(Reg({"add", "/?"}).out, help.out);
}

TEST_F(RegCommandTest, ImportThatWouldMakeTheHiveUnreadableIsRefusedAndTheHiveStaysReadable) {
    // A registry whose reader takes hives of 64 KiB at most, as the real one takes 64 MiB.
    Registry registry(FTemp.Path() / "small", 64 << 10);
    const auto reg = [&](std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunRegCommand(registry, args, out, err);
        return Result{code, out.str(), err.str()};
    };
    ASSERT_EQ(reg({"add", "HKCU\\Software\\Kept", "/v", "v", "/d", "before"}).code, 0);
    const auto hive = FTemp.Path() / "small" / "HKEY_CURRENT_USER.reg";
    const auto hiveBefore = ReadBytes(hive);
    // 40 000 characters: 40 KB in this UTF-8 file, twice as much in the hive's UTF-16.
    const auto file = FTemp.Path() / "big.reg";
    registry_tests::WriteBytes(file, registry_tests::Bytes("Windows Registry Editor Version 5.00\r\n\r\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Big]\r\n\"v\"=\"" +
                                                           std::string(40000, 'x') + "\"\r\n"));
    const auto result = reg({"import", file.string()});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("au-delà des 65536 octets"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("rien n'a été écrit"), std::string::npos) << result.err;
    EXPECT_EQ(ReadBytes(hive), hiveBefore);
    EXPECT_EQ(reg({"query", "HKCU\\Software\\Kept", "/v", "v"}).code, 0);
    EXPECT_EQ(reg({"query", "HKCU\\Software\\Big"}).code, 1);
    EXPECT_EQ(reg({"add", "HKCU\\Software\\Kept", "/v", "w", "/d", "after"}).code, 0);
}

TEST_F(RegCommandTest, ImportReadsRegularFilesOnly) {
    const auto fifo = FTemp.Path() / "pipe.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(FTemp.Path() / "folder.reg");
    for (const std::string& file : {std::string("/dev/zero"), fifo.string(), (FTemp.Path() / "folder.reg").string()}) {
        const auto result = Reg({"import", file});
        EXPECT_EQ(result.code, 1) << file;
        EXPECT_NE(result.err.find(file + " n'est pas un fichier ordinaire"), std::string::npos) << result.err;
    }
}

TEST_F(RegCommandTest, DotDotIsAKeyNameThatNeverReachesAHostPath) {
    const auto before = registry_tests::FolderNames(FTemp.Path());
    RegOk({"add", "HKCU\\..\\..\\x", "/v", "v", "/d", "1"});
    EXPECT_EQ(Reg({"query", "HKCU\\..\\..\\x", "/v", "v"}).out,
              "\nHKEY_CURRENT_USER\\..\\..\\x\n    v    REG_SZ    1\n\n");
    // The hive file and its log are all that change on the host: no file or folder named after a key.
    const std::vector<std::string> allowed = {"registry", "registry/HKEY_CURRENT_USER.reg",
                                              "registry/HKEY_CURRENT_USER.reg.lock",
                                              "registry/HKEY_CURRENT_USER.reg.log"};
    for (const std::string& name : registry_tests::FolderNames(FTemp.Path())) {
        if (std::find(before.begin(), before.end(), name) == before.end()) {
            EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
        }
    }
}

} // namespace
