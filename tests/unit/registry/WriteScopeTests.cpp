// What a write reads of a hive: the file's header and key lines, and the sections of the key it
// changes and of the keys above it; never the values of the other keys. A write is refused when
// what it reads is damaged; damage elsewhere is reported by the readers and the fold, and the
// write waits in the log until the hive is mended.

#include "TempFolder.h"
#include "platform/registry/HiveFile.h"
#include "platform/registry/HiveLog.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace platform;
using registry_tests::Bytes;
using registry_tests::ReadBytes;
using registry_tests::TempFolder;
using registry_tests::WriteBytes;

constexpr auto HKCU = RegistryRoot::CurrentUser;

struct RegResult {
    int code;
    std::string out;
    std::string err;
};

RegResult Reg(Registry& registry, const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunRegCommand(registry, args, out, err);
    return {code, out.str(), err.str()};
}

const std::vector<std::string> kAdd{"add", "HKCU\\Software\\Quarnel\\Mine", "/v", "A", "/d", "1", "/f"};

// ---- a write to a damaged hive ----

struct DamageRow {
    const char* label;
    std::string hive;   // the `.reg` file, UTF-8
    std::size_t line;   // the damaged line
    bool writeAccepted; // the damage is in no line the write reads
    std::string mended; // the file with the damage mended (when the write was accepted)
};

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

const DamageRow kDamage[] = {
    {"ValueOfAnotherKey",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\"k\"=dword:1\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=hex:zz\r\n",
     7, true,
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\"k\"=dword:1\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=hex:00\r\n"},
    {"ValueOfAKeyBelowIt", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine\\Below]\r\n\"x\"=dword:xyz\r\n", 4,
     true, kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine\\Below]\r\n\"x\"=dword:1\r\n"},
    {"ValueOfTheKeyItself", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=hex:zz\r\n", 4, false, ""},
    {"ValueOfAKeyAboveIt",
     kHeader + "[HKEY_CURRENT_USER\\Software]\r\n\"s\"=\"unterminated\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n",
     4, false, ""},
    {"KeyLineOfAnotherKey",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other\r\n", 5, false, ""},
    {"KeyOfTheOtherHive", kHeader + "[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", 5, false,
     ""},
    {"AccessMarkOfAnotherKey", kHeader + "[HKEY_CURRENT_USER\\Software\\Other]\r\n;!deny=everything\r\n", 4, false, ""},
    {"Header", "Windows Registry Editor Version 4.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n", 1, false, ""},
};

class DamagedHive : public testing::TestWithParam<DamageRow> {
protected:
    std::filesystem::path Folder() const { return FTemp.Path() / "registry"; }
    std::filesystem::path File() const { return Folder() / "HKEY_CURRENT_USER.reg"; }
    std::string Reported() const {
        return "Fichier de registre illisible : " + File().string() + ", ligne " + std::to_string(GetParam().line);
    }

    TempFolder FTemp;
};

TEST_P(DamagedHive, WriteIsRefusedOnlyWhenItReadsTheDamageAndTheHiveIsNeverOverwritten) {
    const DamageRow& row = GetParam();
    std::filesystem::create_directories(Folder());
    const auto damaged = Bytes(row.hive);
    WriteBytes(File(), damaged);
    {
        Registry fresh(Folder());
        const RegResult add = Reg(fresh, kAdd);
        if (!row.writeAccepted) {
            EXPECT_EQ(add.code, 1);
            EXPECT_NE(add.err.find(Reported()), std::string::npos) << add.err;
            EXPECT_FALSE(std::filesystem::exists(File().string() + ".log"));
        } else {
            EXPECT_EQ(add.code, 0) << add.err;
            EXPECT_EQ(add.out, "L'opération a réussi.\n");
            EXPECT_TRUE(std::filesystem::exists(File().string() + ".log"));
        }
    }
    EXPECT_EQ(ReadBytes(File()), damaged);
    if (!row.writeAccepted)
        return;

    // The readers report the damage, and folding stops on it: hive and log stay as they are.
    Registry reader(Folder());
    const RegResult query = Reg(reader, {"query", "HKCU\\Software\\Quarnel\\Mine", "/v", "A"});
    EXPECT_EQ(query.code, 1);
    EXPECT_NE(query.err.find(Reported()), std::string::npos) << query.err;
    EXPECT_THROW(reader.FoldLogs(), RegFileError);
    EXPECT_EQ(ReadBytes(File()), damaged);
    EXPECT_TRUE(std::filesystem::exists(File().string() + ".log"));

    // Once the hive is mended by hand, the write is there.
    WriteBytes(File(), Bytes(row.mended));
    const RegResult mended = Reg(reader, {"query", "HKCU\\Software\\Quarnel\\Mine", "/v", "A"});
    EXPECT_EQ(mended.code, 0) << mended.err;
    EXPECT_NE(mended.out.find("    A    REG_SZ    1"), std::string::npos) << mended.out;
}

INSTANTIATE_TEST_SUITE_P(Write, DamagedHive, testing::ValuesIn(kDamage),
                         [](const auto& row) { return std::string(row.param.label); });

// ---- a write reading a few keys does what a write on the whole hive does ----

struct ScopeRow {
    const char* label;
    std::string hive; // the `.reg` file, UTF-8
    std::string log;  // `.reg` text of one change already in the log, or empty
    std::function<ErrorCode(Registry&)> change;
};

ErrorCode CreateKey(Registry& registry, std::string_view path) {
    RegistryKey key;
    return registry.CreateKey(HKCU, path, kKeyAllAccess, key);
}

ErrorCode SetValue(Registry& registry, std::string_view path, const RegistryValue& value) {
    RegistryKey key;
    if (const ErrorCode rc = registry.CreateKey(HKCU, path, kKeyAllAccess, key); rc != kErrorSuccess)
        return rc;
    return key.SetValue(value);
}

ErrorCode AddWithoutForce(Registry& registry) {
    const RegResult add = Reg(registry, {"add", "HKCU\\Software\\Quarnel\\Mine", "/v", "A", "/d", "2"});
    return add.code == 0 ? kErrorSuccess : add.err.find("existe") != std::string::npos ? 183 : 1;
}

const ScopeRow kScopes[] = {
    // The root denies writing, Software exists only as the parent of another key: creating a key in
    // Software asks Software, which denies nothing.
    {"ParentThatExistsOnlyThroughAnotherKey",
     kHeader + "[HKEY_CURRENT_USER]\r\n;!deny=write\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"o\"=dword:1\r\n",
     "",
     [](Registry& r) {
         return CreateKey(r, "Software\\Mine");
     }},
    {"ParentWithoutAnyKeyDeniesThroughTheRoot", kHeader + "[HKEY_CURRENT_USER]\r\n;!deny=write\r\n", "",
     [](Registry& r) {
         return CreateKey(r, "Software\\Mine");
     }},
    {"KeyInSeveralSectionsAndSpellings",
     kHeader + "[HKEY_CURRENT_USER\\software\\QUARNEL\\mine]\r\n\"A\"=\"un\"\r\n\"B\"=dword:2\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n"
               "[HKEY_CURRENT_USER\\SOFTWARE\\Quarnel\\Mine]\r\n\"C\"=hex:01,02,\\\r\n  03\r\n\"a\"=\"deux\"\r\n",
     "",
     [](Registry& r) {
         return SetValue(r, "Software\\Quarnel\\Mine", MakeDwordValue("B", 7));
     }},
    {"KeyDeletedInTheFileThenMadeAgainBelow",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n\r\n"
               "[-HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine\\Below]\r\n",
     "",
     [](Registry& r) {
         return SetValue(r, "Software\\Quarnel\\Mine", MakeStringValue("B", "b"));
     }},
    {"ValueAlreadyThereWithoutForce", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"a\"=\"un\"\r\n", "",
     [](Registry& r) {
         return AddWithoutForce(r);
     }},
    {"ValueSetByTheLogWithoutForce", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n",
     [](Registry& r) {
         return AddWithoutForce(r);
     }},
    {"ValueDeletedByTheLogWithoutForce", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=-\r\n",
     [](Registry& r) {
         return AddWithoutForce(r);
     }},
    {"ParentDeletedByTheLog", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n;!deny=write\r\n",
     kHeader + "[-HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quarnel\\Other]\r\n",
     [](Registry& r) {
         return SetValue(r, "Software\\Quarnel\\Mine", MakeDwordValue("A", 1));
     }},
    {"KeyMarkedByTheLog", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n;!deny=read\r\n",
     [](Registry& r) {
         return SetValue(r, "Software\\Quarnel\\Mine", MakeDwordValue("A", 1));
     }},
    {"DeleteValue", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n\"B\"=\"deux\"\r\n", "",
     [](Registry& r) {
         RegistryKey key;
         if (const ErrorCode rc = r.OpenKey(HKCU, "software\\quarnel\\MINE", kKeySetValue, key); rc != kErrorSuccess)
             return rc;
         return key.DeleteValue("a");
     }},
    {"DeleteKeyWithAKeyBelowThatDeniesWriting",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine\\Below\\Deep]\r\n;!deny=write\r\n",
     "",
     [](Registry& r) {
         return r.DeleteKey(HKCU, "Software\\Quarnel\\Mine");
     }},
    {"DeleteKey",
     kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine\\Below]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n",
     "",
     [](Registry& r) {
         return r.DeleteKey(HKCU, "Software\\Quarnel\\Mine");
     }},
    {"MarkKey", kHeader + "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n", "",
     [](Registry& r) {
         r.SetKeyAccess(HKCU, "Software\\Quarnel\\MINE", false, true);
         return kErrorSuccess;
     }},
};

class WriteScope : public testing::TestWithParam<ScopeRow> {
protected:
    // A registry folder holding the row's hive and log.
    std::filesystem::path Prepare(const std::string& name) const {
        const ScopeRow& row = GetParam();
        const auto folder = FTemp.Path() / name;
        std::filesystem::create_directories(folder);
        WriteBytes(folder / "HKEY_CURRENT_USER.reg", Bytes(row.hive));
        if (!row.log.empty()) // one whole record, as a change appends it
            WriteBytes(folder / "HKEY_CURRENT_USER.reg.log", Bytes(EncodeLogRecord(row.log)));
        return folder;
    }

    // The hive as a reader reading it whole sees it.
    static std::string Whole(const std::filesystem::path& folder) {
        Registry reader(folder);
        return FormatRegFile(HKCU, reader.Read(HKCU)->Subtree(""));
    }

    TempFolder FTemp;
};

TEST_P(WriteScope, GivesTheCodeAndTheHiveOfAWriteOnTheWholeHive) {
    const auto wholeFolder = Prepare("whole");
    const auto scopedFolder = Prepare("scoped");
    ErrorCode wholeCode = 0;
    {
        Registry registry(wholeFolder);
        registry.Read(HKCU); // read whole, as a program that has been reading it
        wholeCode = GetParam().change(registry);
    }
    ErrorCode scopedCode = 0;
    {
        Registry registry(scopedFolder);
        scopedCode = GetParam().change(registry);
    }
    EXPECT_EQ(scopedCode, wholeCode);
    EXPECT_EQ(Whole(scopedFolder), Whole(wholeFolder));
}

INSTANTIATE_TEST_SUITE_P(Write, WriteScope, testing::ValuesIn(kScopes),
                         [](const auto& row) { return std::string(row.param.label); });

} // namespace

namespace {

// A write that must fold the log (here every record is past the bound) writes the whole hive, never
// the few keys it read.
TEST(ScopedWrite, PastTheFoldBoundWritesTheWholeHive) {
    TempFolder temp;
    const auto file = temp.Path() / "HKEY_CURRENT_USER.reg";
    WriteBytes(file, Bytes(kHeader + "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"o\"=dword:1\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n"));
    {
        HiveFile fresh(file, HKCU, kMaxHiveFileSize, /*foldSize=*/1);
        ASSERT_EQ(fresh.Modify(HiveScope{"Software\\Quarnel\\Mine"},
                               [](Hive& hive) {
                                   hive.Find("Software\\Quarnel\\Mine")->SetValue(MakeDwordValue("B", 2));
                                   return kErrorSuccess;
                               }),
                  kErrorSuccess);
    }
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".log"));
    Registry reader(temp.Path());
    EXPECT_EQ(FormatRegFile(HKCU, reader.Read(HKCU)->Subtree("")),
              kHeader + "[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"o\"=dword:00000001\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Quarnel]\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Quarnel\\Mine]\r\n\"A\"=\"un\"\r\n\"B\"=dword:00000002\r\n\r\n");
}

} // namespace

namespace {

// A program that goes on writing reads the whole hive after a bounded number of partial reads (and
// so from then on reports damage anywhere in it, as a reader does), rather than its log again and
// again.
TEST(ScopedWrite, ObjectThatGoesOnWritingReadsTheWholeHiveAfterItsBound) {
    TempFolder temp;
    const auto file = temp.Path() / "HKEY_CURRENT_USER.reg";
    WriteBytes(file, Bytes(kHeader + "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=hex:zz\r\n"));
    Registry registry(temp.Path());
    RegistryKey key;
    ASSERT_EQ(registry.CreateKey(HKCU, "Software\\Mine", kKeySetValue, key), kErrorSuccess);
    const unsigned partialReadsOfCreate = 3; // the key looked for, created, opened
    unsigned writes = 0;
    try {
        for (; writes < 2 * kScopedReadsBeforeWhole; ++writes)
            ASSERT_EQ(key.SetValue(MakeDwordValue("n", writes)), kErrorSuccess);
        FAIL() << "the damage was never reported";
    } catch (const RegFileError& e) {
        EXPECT_EQ(e.Line(), 4u);
    }
    EXPECT_EQ(writes, kScopedReadsBeforeWhole - partialReadsOfCreate);
}

} // namespace
