#include "TempFolder.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using registry_tests::ReadBytes;
using registry_tests::TempFolder;
using registry_tests::Utf16LeWithBom;
using registry_tests::WriteBytes;

constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr auto HKLM = RegistryRoot::LocalMachine;

class RegistryTest : public testing::Test {
protected:
    std::filesystem::path Folder() const { return FTemp.Path() / "registry"; }

    RegistryKey Create(RegistryRoot root, std::string_view path) {
        RegistryKey key;
        EXPECT_EQ(FRegistry.CreateKey(root, path, kKeyAllAccess, key), kErrorSuccess) << path;
        return key;
    }

    TempFolder FTemp;
    Registry FRegistry{Folder()};
};

TEST_F(RegistryTest, MissingHivesAreEmptyAndNothingIsWrittenByReading) {
    RegistryKey key;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software", kKeyRead, key), kErrorFileNotFound);
    EXPECT_EQ(FRegistry.OpenKey(HKLM, "", kKeyRead, key), kErrorSuccess);
    EXPECT_FALSE(std::filesystem::exists(Folder()));
}

TEST_F(RegistryTest, CreateMissingHivesWritesEmptyUtf16Files) {
    FRegistry.CreateMissingHives();
    const auto bytes = ReadBytes(Folder() / "HKEY_CURRENT_USER.reg");
    EXPECT_EQ(bytes, Utf16LeWithBom(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n"));
    EXPECT_TRUE(std::filesystem::exists(Folder() / "HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(RegistryTest, CreateMakesParentsAndKeysAreCaseInsensitiveAndCasePreserving) {
    bool created = false;
    RegistryKey key;
    ASSERT_EQ(FRegistry.CreateKey(HKCU, "Software\\QUARNEL S.A.\\Veltrane\\Program", kKeyAllAccess, key, &created),
              kErrorSuccess);
    EXPECT_TRUE(created);
    ASSERT_EQ(FRegistry.CreateKey(HKCU, "SOFTWARE\\quarnel s.a.\\VELTRANE\\program\\", kKeyAllAccess, key, &created),
              kErrorSuccess);
    EXPECT_FALSE(created);

    RegistryKey parent;
    ASSERT_EQ(FRegistry.OpenKey(HKCU, "software\\Quarnel S.A.", kKeyRead, parent), kErrorSuccess);
    std::vector<std::string> names;
    ASSERT_EQ(parent.EnumSubKeys(names), kErrorSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"Veltrane"});
    const auto hive = FRegistry.Read(HKCU);
    ASSERT_NE(hive->Find("SOFTWARE\\QUARNEL S.A."), nullptr);
    EXPECT_EQ(hive->Find("SOFTWARE\\QUARNEL S.A.")->path, "Software\\QUARNEL S.A.");
}

TEST_F(RegistryTest, ValuesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
    auto key = Create(HKCU, "Software\\Test");
    ASSERT_EQ(key.SetValue(MakeStringValue("LastCompany", "Alpha")), kErrorSuccess);
    ASSERT_EQ(key.SetValue(MakeStringValue("LASTCOMPANY", "Beta")), kErrorSuccess);
    RegistryValue value;
    ASSERT_EQ(key.QueryValue("lastcompany", value), kErrorSuccess);
    EXPECT_EQ(value.name, "LastCompany");
    EXPECT_EQ(DataAsString(value.data), "Beta");
    EXPECT_EQ(key.QueryValue("Missing", value), kErrorFileNotFound);
    EXPECT_EQ(key.DeleteValue("LASTcompany"), kErrorSuccess);
    EXPECT_EQ(key.DeleteValue("LastCompany"), kErrorFileNotFound);
}

TEST_F(RegistryTest, EnumeratesSubKeysInNameOrderAndValuesInTheirOrder) {
    Create(HKLM, "S\\b");
    Create(HKLM, "S\\A");
    Create(HKLM, "S\\A\\Deep");
    Create(HKLM, "S B"); // a sibling sharing the prefix is not a child
    auto key = Create(HKLM, "S");
    ASSERT_EQ(key.SetValue(MakeDwordValue("z", 1)), kErrorSuccess);
    ASSERT_EQ(key.SetValue(MakeDwordValue("a", 2)), kErrorSuccess);
    std::vector<std::string> names;
    ASSERT_EQ(key.EnumSubKeys(names), kErrorSuccess);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "b"}));
    std::vector<RegistryValue> values;
    ASSERT_EQ(key.EnumValues(values), kErrorSuccess);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "z");
    std::size_t subKeys = 0;
    std::size_t valueCount = 0;
    ASSERT_EQ(key.QueryInfo(subKeys, valueCount), kErrorSuccess);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(valueCount, 2u);
}

TEST_F(RegistryTest, DeleteKeyRemovesEverythingBelowAndNothingElse) {
    Create(HKCU, "Software\\QUARNEL S.A.\\MultiSte\\Sub\\Deeper");
    Create(HKCU, "Software\\QUARNEL S.A.\\MultiSteOther");
    EXPECT_EQ(FRegistry.DeleteKey(HKCU, "software\\quarnel s.a.\\multiste"), kErrorSuccess);
    RegistryKey key;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software\\QUARNEL S.A.\\MultiSte\\Sub", kKeyRead, key), kErrorFileNotFound);
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software\\QUARNEL S.A.\\MultiSteOther", kKeyRead, key), kErrorSuccess);
    EXPECT_EQ(FRegistry.DeleteKey(HKCU, "Software\\QUARNEL S.A.\\MultiSte"), kErrorFileNotFound);
    EXPECT_EQ(FRegistry.DeleteKey(HKCU, ""), kErrorInvalidParameter);
}

TEST_F(RegistryTest, AnOpenKeyDeletedSinceReportsKeyDeleted) {
    auto key = Create(HKCU, "Gone");
    ASSERT_EQ(FRegistry.DeleteKey(HKCU, "Gone"), kErrorSuccess);
    RegistryValue value;
    EXPECT_EQ(key.QueryValue("x", value), kErrorKeyDeleted);
    EXPECT_EQ(key.SetValue(MakeDwordValue("x", 1)), kErrorKeyDeleted);
    RegistryKey probe;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Gone", kKeyRead, probe), kErrorFileNotFound);
}

struct BadPathCase {
    const char* label;
    const char* path;
};

const BadPathCase kBadPaths[] = {
    {"LeadingBackslash", "\\Software"},
    {"EmptyComponent", "Software\\\\X"},
    {"ControlCharacter", "Soft\tware"},
    {"NameOf256Characters",
     "Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
};

class BadPath : public RegistryTest, public testing::WithParamInterface<BadPathCase> {};

TEST_P(BadPath, IsRefusedWithoutTouchingTheHive) {
    RegistryKey key;
    EXPECT_EQ(FRegistry.CreateKey(HKCU, GetParam().path, kKeyAllAccess, key), kErrorBadPathname);
    EXPECT_EQ(FRegistry.OpenKey(HKCU, GetParam().path, kKeyRead, key), kErrorBadPathname);
    EXPECT_EQ(FRegistry.DeleteKey(HKCU, GetParam().path), kErrorBadPathname);
    EXPECT_FALSE(std::filesystem::exists(Folder()));
}

INSTANTIATE_TEST_SUITE_P(Registry, BadPath, testing::ValuesIn(kBadPaths),
                         [](const auto& row) { return std::string(row.param.label); });

// ---- access rights and the access-denied marks ----

struct AccessCase {
    const char* label;
    bool denyRead;
    bool denyWrite;
    AccessMask access;
    ErrorCode expected;
};

const AccessCase kAccessCases[] = {
    {"ReadDeniedOpenForRead", true, false, kKeyRead, kErrorAccessDenied},
    {"ReadDeniedOpenForWrite", true, false, kKeyWrite, kErrorSuccess},
    {"ReadDeniedOpenForAll", true, false, kKeyAllAccess, kErrorAccessDenied},
    {"ReadDeniedOpenWithMinusOne", true, false, 0xFFFFFFFF, kErrorAccessDenied},
    {"WriteDeniedOpenForRead", false, true, kKeyRead, kErrorSuccess},
    {"WriteDeniedOpenForSetValue", false, true, kKeySetValue, kErrorAccessDenied},
    {"WriteDeniedOpenForAll", false, true, kKeyAllAccess, kErrorAccessDenied},
    {"BothDeniedOpenForQuery", true, true, kKeyQueryValue, kErrorAccessDenied},
    {"NothingDeniedOpenForAll", false, false, kKeyAllAccess, kErrorSuccess},
};

class Access : public RegistryTest, public testing::WithParamInterface<AccessCase> {};

TEST_P(Access, MarkedKeyExistsButOpensOnlyForTheRightsItAllows) {
    FRegistry.SetKeyAccess(HKLM, "Software\\Locked", GetParam().denyRead, GetParam().denyWrite);
    RegistryKey key;
    EXPECT_EQ(FRegistry.OpenKey(HKLM, "Software\\Locked", GetParam().access, key), GetParam().expected);
    EXPECT_EQ(FRegistry.CreateKey(HKLM, "Software\\Locked", GetParam().access, key), GetParam().expected);
    // A fresh Registry over the same folder sees the same: the marks live in the hive file.
    Registry again(Folder());
    EXPECT_EQ(again.OpenKey(HKLM, "Software\\Locked", GetParam().access, key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Registry, Access, testing::ValuesIn(kAccessCases),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(RegistryTest, HandleRightsLimitTheCalls) {
    Create(HKCU, "K");
    RegistryKey reader;
    ASSERT_EQ(FRegistry.OpenKey(HKCU, "K", kKeyRead, reader), kErrorSuccess);
    EXPECT_EQ(reader.SetValue(MakeDwordValue("x", 1)), kErrorAccessDenied);
    EXPECT_EQ(reader.DeleteValue("x"), kErrorAccessDenied);
    RegistryKey writer;
    ASSERT_EQ(FRegistry.OpenKey(HKCU, "K", kKeySetValue, writer), kErrorSuccess);
    ASSERT_EQ(writer.SetValue(MakeDwordValue("x", 1)), kErrorSuccess);
    RegistryValue value;
    EXPECT_EQ(writer.QueryValue("x", value), kErrorAccessDenied);
    std::vector<std::string> names;
    EXPECT_EQ(writer.EnumSubKeys(names), kErrorAccessDenied);
    RegistryKey closed;
    EXPECT_EQ(closed.QueryValue("x", value), kErrorInvalidHandle);
}

TEST_F(RegistryTest, WriteDeniedKeyRefusesSubKeysAndDeletion) {
    Create(HKLM, "Software\\Locked\\Child");
    FRegistry.SetKeyAccess(HKLM, "Software\\Locked\\Child", false, true);
    RegistryKey key;
    EXPECT_EQ(FRegistry.CreateKey(HKLM, "Software\\Locked\\Child\\New\\Deeper", kKeyAllAccess, key),
              kErrorAccessDenied);
    EXPECT_EQ(FRegistry.DeleteKey(HKLM, "Software\\Locked"), kErrorAccessDenied);
    EXPECT_EQ(FRegistry.OpenKey(HKLM, "Software\\Locked", kKeyRead, key), kErrorSuccess); // nothing deleted
    FRegistry.SetKeyAccess(HKLM, "Software\\Locked\\Child", false, false);
    EXPECT_EQ(FRegistry.DeleteKey(HKLM, "Software\\Locked"), kErrorSuccess);
}

TEST_F(RegistryTest, ImportedMarksSetAndLiftDenial) {
    const auto deny =
        ParseRegFile(registry_tests::Bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n;!deny=write\r\n"), "a.reg");
    ASSERT_EQ(FRegistry.Import(deny), kErrorSuccess);
    RegistryKey key;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "K", kKeySetValue, key), kErrorAccessDenied);
    const auto lift =
        ParseRegFile(registry_tests::Bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n;!deny=none\r\n"), "b.reg");
    ASSERT_EQ(FRegistry.Import(lift), kErrorSuccess);
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "K", kKeySetValue, key), kErrorSuccess);
    EXPECT_EQ(key.SetValue(MakeStringValue("bad\nname", "x")), kErrorInvalidParameter);
}

TEST_F(RegistryTest, MarkWrittenByHandInTheHiveFileDeniesAccess) {
    std::filesystem::create_directories(Folder());
    WriteBytes(Folder() / "HKEY_CURRENT_USER.reg",
               registry_tests::Bytes("Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\QUARNEL S.A.\\Multiste]\r\n"
                                     ";!deny=read\r\n\"LastCompany\"=\"Alpha\"\r\n"));
    RegistryKey key;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software\\QUARNEL S.A.\\Multiste", kKeyRead, key), kErrorAccessDenied);
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software\\QUARNEL S.A.\\Nothing", kKeyRead, key), kErrorFileNotFound);
    std::vector<std::uint8_t> exported;
    EXPECT_EQ(FRegistry.Export(HKCU, "Software", exported), kErrorAccessDenied);
}

// ---- the hive files ----

TEST_F(RegistryTest, EveryTypeSurvivesTheFileAndAFreshReader) {
    const std::vector<RegistryValue> values = {
        MakeStringValue("", "défaut"),
        MakeStringValue("Sz", "C:\\Apps\\\"Veltrane\"\\"),
        MakeStringValue("Expand", "%SystemRoot%\\x", kRegExpandSz),
        MakeMultiStringValue("Multi", {"Terminal Server", "Société"}),
        MakeDwordValue("Dword", 0x80000001),
        MakeQwordValue("Qword", 0xFFFFFFFFFFFFFFFFull),
        MakeBinaryValue("Binary", std::vector<std::uint8_t>(100, 0x5A)),
        MakeBinaryValue("None", {}, kRegNone),
        MakeBinaryValue("Odd", {1, 2, 3}, kRegSz),
        MakeStringValue("Lines", "a\r\nb"),
    };
    auto key = Create(HKLM, "Software\\Types");
    for (const auto& value : values)
        ASSERT_EQ(key.SetValue(value), kErrorSuccess) << value.name;
    Registry fresh(Folder());
    RegistryKey reopened;
    ASSERT_EQ(fresh.OpenKey(HKLM, "software\\types", kKeyRead, reopened), kErrorSuccess);
    std::vector<RegistryValue> read;
    ASSERT_EQ(reopened.EnumValues(read), kErrorSuccess);
    EXPECT_EQ(read, values);
}

TEST_F(RegistryTest, WritesAreUtf16WithMarkAndCrLfAndLeaveNoTemporaryFiles) {
    auto key = Create(HKCU, "Software\\A");
    ASSERT_EQ(key.SetValue(MakeStringValue("N", "v")), kErrorSuccess);
    const auto names = [this] {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        return files;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"HKEY_CURRENT_USER.reg.lock", "HKEY_CURRENT_USER.reg.log"}))
        << "the changes wait in the log";
    FRegistry.FoldLogs();
    const auto bytes = ReadBytes(Folder() / "HKEY_CURRENT_USER.reg");
    EXPECT_EQ(bytes, Utf16LeWithBom(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n"
                                    u"[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                                    u"[HKEY_CURRENT_USER\\Software\\A]\r\n\"N\"=\"v\"\r\n\r\n"));
    EXPECT_EQ(names(), (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

TEST_F(RegistryTest, SeesChangesMadeByAnotherWriter) {
    auto key = Create(HKCU, "Shared");
    RegistryValue value;
    EXPECT_EQ(key.QueryValue("n", value), kErrorFileNotFound); // cached now
    Registry other(Folder());
    RegistryKey otherKey;
    ASSERT_EQ(other.OpenKey(HKCU, "Shared", kKeyAllAccess, otherKey), kErrorSuccess);
    for (std::uint32_t i = 1; i <= 20; ++i) {
        // Same size every time: the cache must notice a new file, not a new size.
        ASSERT_EQ(otherKey.SetValue(MakeDwordValue("n", i)), kErrorSuccess);
        ASSERT_EQ(key.QueryValue("n", value), kErrorSuccess);
        EXPECT_EQ(DataAsDword(value.data), i);
    }
}

TEST_F(RegistryTest, HiveThatCannotBeParsedIsReportedAndNeverOverwritten) {
    std::filesystem::create_directories(Folder());
    const auto damaged = registry_tests::Bytes("Windows Registry Editor Version 5.00\r\n\r\n"
                                               "[HKEY_CURRENT_USER\\Software]\r\n\"a\"=dword:xyz\r\n");
    const auto file = Folder() / "HKEY_CURRENT_USER.reg";
    WriteBytes(file, damaged);
    RegistryKey key;
    try {
        FRegistry.OpenKey(HKCU, "Software", kKeyRead, key);
        FAIL() << "no error";
    } catch (const RegFileError& e) {
        EXPECT_EQ(e.FileName(), file.string());
        EXPECT_EQ(e.Line(), 4u);
    }
    EXPECT_THROW(FRegistry.CreateKey(HKCU, "Software\\New", kKeyAllAccess, key), RegFileError);
    EXPECT_THROW(FRegistry.DeleteKey(HKCU, "Software"), RegFileError);
    EXPECT_EQ(ReadBytes(file), damaged);
    // The other hive is not concerned.
    EXPECT_EQ(FRegistry.CreateKey(HKLM, "Software", kKeyAllAccess, key), kErrorSuccess);
}

TEST_F(RegistryTest, HandWrittenUtf8HiveIsKeptAndRewrittenAsUtf16OnTheFirstChange) {
    std::filesystem::create_directories(Folder());
    WriteBytes(Folder() / "HKEY_CURRENT_USER.reg",
               registry_tests::Bytes("Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\Société]\n"
                                     "\"Nom\"=\"Crème\"\n"));
    RegistryKey key;
    ASSERT_EQ(FRegistry.OpenKey(HKCU, "SOFTWARE\\SOCIÉTÉ", kKeyAllAccess, key), kErrorSuccess);
    ASSERT_EQ(key.SetValue(MakeDwordValue("N", 1)), kErrorSuccess);
    FRegistry.FoldLogs();
    EXPECT_EQ(ReadBytes(Folder() / "HKEY_CURRENT_USER.reg"),
              Utf16LeWithBom(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n"
                             u"[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                             u"[HKEY_CURRENT_USER\\Software\\Société]\r\n\"Nom\"=\"Crème\"\r\n"
                             u"\"N\"=dword:00000001\r\n\r\n"));
}

TEST_F(RegistryTest, HiveHoldingKeysOfTheOtherRootIsRefused) {
    std::filesystem::create_directories(Folder());
    WriteBytes(Folder() / "HKEY_CURRENT_USER.reg",
               registry_tests::Bytes("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"));
    RegistryKey key;
    EXPECT_THROW(FRegistry.OpenKey(HKCU, "Software", kKeyRead, key), RegFileError);
}

// ---- import and export ----

// A key as regedit exports it on a French Windows: UTF-16LE, hex data wrapped at 77 columns.
const std::u16string kRegeditExport =
    u"Windows Registry Editor Version 5.00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNEL S.A.\\Veltrane]\r\n"
    u"@=\"Défaut\"\r\n"
    u"\"Filename\"=\"C:\\\\Apps\\\\Veltrane\\\\Programs\\\\Veltrane.exe\"\r\n"
    u"\"Version\"=dword:00040002\r\n"
    u"\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
    u"  00,25,00,5c,00,51,00,75,00,61,00,72,00,6e,00,65,00,6c,00,00,00\r\n"
    u"\"ProductSuite\"=hex(7):54,00,65,00,72,00,6d,00,69,00,6e,00,61,00,6c,00,20,00,53,\\\r\n"
    u"  00,65,00,72,00,76,00,65,00,72,00,00,00,00,00\r\n"
    u"\"Stamp\"=hex(b):00,80,3e,d5,de,b1,9d,01\r\n"
    u"\"Key\"=hex:de,ad,be,ef\r\n"
    u"\"Nothing\"=hex(0):\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNEL S.A.\\Veltrane\\Paths]\r\n"
    u"\"Default\"=\"\\\\\\\\server\\\\share\\\\DB.FDB\"\r\n"
    u"\r\n";

TEST_F(RegistryTest, RegeditExportImportsUnchanged) {
    const auto original = Utf16LeWithBom(kRegeditExport);
    ASSERT_EQ(FRegistry.Import(ParseRegFile(original, "veltrane.reg")), kErrorSuccess);

    RegistryKey key;
    ASSERT_EQ(FRegistry.OpenKey(HKLM, "Software\\Quarnel S.A.\\Veltrane", kKeyRead, key), kErrorSuccess);
    RegistryValue value;
    ASSERT_EQ(key.QueryValue("filename", value), kErrorSuccess);
    EXPECT_EQ(DataAsString(value.data), "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe");
    ASSERT_EQ(key.QueryValue("Path", value), kErrorSuccess);
    EXPECT_EQ(value.type, kRegExpandSz);
    EXPECT_EQ(DataAsString(value.data), "%SystemRoot%\\Quarnel");
    ASSERT_EQ(key.QueryValue("ProductSuite", value), kErrorSuccess);
    EXPECT_EQ(DataAsMultiString(value.data), std::vector<std::string>{"Terminal Server"});

    std::vector<std::uint8_t> exported;
    ASSERT_EQ(FRegistry.Export(HKLM, "SOFTWARE\\QUARNEL S.A.\\Veltrane", exported), kErrorSuccess);
    EXPECT_EQ(exported, original);
}

TEST_F(RegistryTest, ImportDeletesKeysAndValues) {
    auto key = Create(HKCU, "Software\\Old\\Sub");
    auto keep = Create(HKCU, "Software\\Keep");
    ASSERT_EQ(keep.SetValue(MakeDwordValue("gone", 1)), kErrorSuccess);
    ASSERT_EQ(keep.SetValue(MakeDwordValue("stays", 2)), kErrorSuccess);
    const auto document = ParseRegFile(registry_tests::Bytes("Windows Registry Editor Version 5.00\r\n"
                                                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                                                             "[-HKEY_CURRENT_USER\\Software\\NeverWas]\r\n"
                                                             "[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
                                                             "\"GONE\"=-\r\n\"missing\"=-\r\n"),
                                       "d.reg");
    ASSERT_EQ(FRegistry.Import(document), kErrorSuccess);
    RegistryKey probe;
    EXPECT_EQ(FRegistry.OpenKey(HKCU, "Software\\Old", kKeyRead, probe), kErrorFileNotFound);
    std::vector<RegistryValue> values;
    ASSERT_EQ(keep.EnumValues(values), kErrorSuccess);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "stays");
}

TEST_F(RegistryTest, ImportIntoWriteDeniedKeyChangesNothingInThatHive) {
    FRegistry.SetKeyAccess(HKCU, "Locked", false, true);
    const auto before = ReadBytes(Folder() / "HKEY_CURRENT_USER.reg");
    const auto document = ParseRegFile(registry_tests::Bytes("REGEDIT4\r\n[HKEY_CURRENT_USER\\Free]\r\n\"a\"=\"1\"\r\n"
                                                             "[HKEY_CURRENT_USER\\Locked]\r\n\"a\"=\"1\"\r\n"),
                                       "d.reg");
    EXPECT_EQ(FRegistry.Import(document), kErrorAccessDenied);
    EXPECT_EQ(ReadBytes(Folder() / "HKEY_CURRENT_USER.reg"), before);
}

} // namespace
