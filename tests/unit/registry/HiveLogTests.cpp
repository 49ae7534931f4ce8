#include "TempFolder.h"
#include "platform/registry/HiveChanges.h"
#include "platform/registry/HiveFile.h"
#include "platform/registry/HiveLog.h"
#include "platform/registry/Registry.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace platform;
using registry_tests::TempFolder;

constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr std::uintmax_t kNoFold = 16u << 20;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ErrorCode SetDword(HiveFile& file, const std::string& name, std::uint32_t data) {
    return file.Modify([&](Hive& hive) {
        hive.Create("Software\\Bench").SetValue(MakeDwordValue(name, data));
        return kErrorSuccess;
    });
}

// The names of the values under Software\Bench, in their order.
std::vector<std::string> Names(const Hive& hive) {
    std::vector<std::string> names;
    if (const HiveKey* key = hive.Find("Software\\Bench"))
        for (const auto& value : key->values)
            names.push_back(value.name);
    return names;
}

// ---- a log damaged as a power cut or the disk leaves it ----

// What three writes left: the hive as it was before them (created empty, then "A" folded in) and
// the log of "B", "C" and "D", one record each.
struct WrittenFiles {
    std::string hive;
    std::string log;
    std::vector<std::size_t> recordStarts; // of the three records in the log
};

WrittenFiles WriteThreeRecords() {
    TempFolder temp;
    WrittenFiles files;
    {
        HiveFile file(temp.Path() / "HKEY_CURRENT_USER.reg", HKCU, kMaxHiveFileSize, kNoFold);
        EXPECT_EQ(SetDword(file, "A", 1), kErrorSuccess);
        file.Fold();
        for (const char* name : {"B", "C", "D"}) {
            files.recordStarts.push_back(
                std::filesystem::exists(file.LogPath()) ? std::filesystem::file_size(file.LogPath()) : 0);
            EXPECT_EQ(SetDword(file, name, 2), kErrorSuccess);
        }
        files.hive = ReadText(file.Path());
        files.log = ReadText(file.LogPath());
    }
    return files;
}

struct DamageRow {
    const char* name;
    std::function<void(WrittenFiles&)> damage;
    std::vector<std::string> seen; // the values read back
};

const DamageRow kDamage[] = {
    {"WholeLog", [](WrittenFiles&) {}, {"A", "B", "C", "D"}},
    {"TornLastRecordText", [](WrittenFiles& f) { f.log.resize(f.log.size() - 5); }, {"A", "B", "C"}},
    {"TornLastRecordHeader", [](WrittenFiles& f) { f.log.resize(f.recordStarts[2] + 6); }, {"A", "B", "C"}},
    {"BadChecksumOfTheLastRecord", [](WrittenFiles& f) { f.log[f.log.size() - 10] ^= 0x20; }, {"A", "B", "C"}},
    {"BadChecksumInTheMiddleDropsWhatFollows",
     [](WrittenFiles& f) { f.log[f.recordStarts[2] - 10] ^= 0x20; },
     {"A", "B"}},
    {"LengthBeyondTheEnd", [](WrittenFiles& f) { f.log[f.recordStarts[2] + 7] = '\x7f'; }, {"A", "B", "C"}},
    {"ZerosAfterTheLastRecord", [](WrittenFiles& f) { f.log.append(4096, '\0'); }, {"A", "B", "C", "D"}},
    {"EmptyLog", [](WrittenFiles& f) { f.log.clear(); }, {"A"}},
    {"LogWithoutHive", [](WrittenFiles& f) { f.hive.clear(); }, {"B", "C", "D"}},
    {"LogAlreadyFoldedIntoTheHive",
     [](WrittenFiles& f) {
         f.hive = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n"
                  "\"A\"=dword:00000001\r\n\"B\"=dword:00000002\r\n\"C\"=dword:00000002\r\n\"D\"=dword:00000002\r\n";
     },
     {"A", "B", "C", "D"}},
};

class DamagedLog : public testing::TestWithParam<DamageRow> {};

TEST_P(DamagedLog, KeepsTheHiveAndTheWholeRecordsAndWritesAfterThem) {
    WrittenFiles files = WriteThreeRecords();
    ASSERT_EQ(files.recordStarts.size(), 3u);
    GetParam().damage(files);
    TempFolder temp;
    const auto hivePath = temp.Path() / "HKEY_CURRENT_USER.reg";
    if (!files.hive.empty())
        WriteText(hivePath, files.hive);
    WriteText(hivePath.string() + ".log", files.log);
    std::vector<std::string> expected = GetParam().seen;
    {
        HiveFile file(hivePath, HKCU, kMaxHiveFileSize, kNoFold);
        EXPECT_EQ(Names(*file.Load()), expected);
        // A write goes after the whole records: what it leaves is read by a fresh reader.
        ASSERT_EQ(SetDword(file, "E", 3), kErrorSuccess);
        expected.push_back("E");
        HiveFile reader(hivePath, HKCU, kMaxHiveFileSize, kNoFold);
        EXPECT_EQ(Names(*reader.Load()), expected);
        file.Fold();
    }
    // Folded: the log's whole records are in the hive and the log is removed.
    EXPECT_FALSE(std::filesystem::exists(hivePath.string() + ".log"));
    HiveFile reader(hivePath, HKCU, kMaxHiveFileSize, kNoFold);
    EXPECT_EQ(Names(*reader.Load()), expected);
}

INSTANTIATE_TEST_SUITE_P(Log, DamagedLog, testing::ValuesIn(kDamage),
                         [](const testing::TestParamInfo<DamageRow>& row) { return std::string(row.param.name); });

TEST(HiveLog, WriteAppendsOneRecordAndLeavesTheHiveFileAlone) {
    TempFolder temp;
    HiveFile file(temp.Path() / "HKEY_CURRENT_USER.reg", HKCU, kMaxHiveFileSize, kNoFold);
    file.CreateIfMissing();
    const std::string hiveBefore = ReadText(file.Path());
    for (std::uint32_t i = 1; i <= 5; ++i)
        ASSERT_EQ(SetDword(file, "N" + std::to_string(i % 2), i), kErrorSuccess);
    EXPECT_EQ(ReadText(file.Path()), hiveBefore);
    const LogContents log = DecodeLog(ReadText(file.LogPath()));
    EXPECT_EQ(log.records.size(), 5u);
    EXPECT_EQ(log.validBytes, std::filesystem::file_size(file.LogPath()));
    // An unchanged value is no change: nothing is appended.
    ASSERT_EQ(SetDword(file, "N1", 5), kErrorSuccess);
    EXPECT_EQ(DecodeLog(ReadText(file.LogPath())).records.size(), 5u);
}

TEST(HiveLog, IsFoldedIntoTheHiveOncePastItsBound) {
    TempFolder temp;
    HiveFile file(temp.Path() / "HKEY_CURRENT_USER.reg", HKCU, kMaxHiveFileSize, 600);
    std::size_t folds = 0;
    for (std::uint32_t i = 0; i < 40; ++i) {
        ASSERT_EQ(SetDword(file, "V" + std::to_string(i), i), kErrorSuccess);
        if (!std::filesystem::exists(file.LogPath()))
            ++folds;
        else
            EXPECT_LE(std::filesystem::file_size(file.LogPath()), 600u);
    }
    EXPECT_GT(folds, 0u);
    HiveFile reader(file.Path(), HKCU, kMaxHiveFileSize, 600);
    EXPECT_EQ(Names(*reader.Load()).size(), 40u);
}

// Closing a hive folds its log only once the log has grown past the closing bound: a program that
// writes one value pays for its change, not for rewriting the whole hive.
TEST(HiveLog, ClosingFoldsTheLogOnlyPastTheClosingBound) {
    TempFolder temp;
    const auto path = temp.Path() / "HKEY_CURRENT_USER.reg";
    HiveFile(path, HKCU).CreateIfMissing();
    const std::string hiveBefore = ReadText(path);
    std::size_t folds = 0;
    for (std::uint32_t i = 0; i < 20; ++i) {
        std::uintmax_t logSize = 0;
        {
            HiveFile file(path, HKCU, kMaxHiveFileSize, kNoFold, 600); // a program that writes once
            ASSERT_EQ(SetDword(file, "V" + std::to_string(i), i), kErrorSuccess);
            logSize = std::filesystem::file_size(file.LogPath());
        }
        const bool folded = !std::filesystem::exists(path.string() + ".log");
        EXPECT_EQ(folded, logSize > 600) << "after write " << i << ", log of " << logSize << " bytes";
        if (i == 0) {
            EXPECT_EQ(ReadText(path), hiveBefore); // the first write left the hive's file alone
        }
        folds += folded ? 1 : 0;
        HiveFile reader(path, HKCU);
        EXPECT_EQ(Names(*reader.Load()).size(), i + 1);
    }
    EXPECT_GT(folds, 0u);
    EXPECT_NE(ReadText(path), hiveBefore);
}

TEST(HiveLog, ReadersInOtherObjectsSeeTheHiveAndTheLogTogether) {
    TempFolder temp;
    const auto path = temp.Path() / "HKEY_CURRENT_USER.reg";
    HiveFile writer(path, HKCU, kMaxHiveFileSize, kNoFold);
    HiveFile reader(path, HKCU, kMaxHiveFileSize, kNoFold);
    for (std::uint32_t i = 1; i <= 3; ++i) {
        ASSERT_EQ(SetDword(writer, "N", i), kErrorSuccess);
        const RegistryValue* value = reader.Load()->Find("Software\\Bench")->FindValue("n");
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(DataAsDword(value->data), i);
    }
    writer.Fold();
    EXPECT_FALSE(std::filesystem::exists(writer.LogPath()));
    EXPECT_EQ(DataAsDword(reader.Load()->Find("Software\\Bench")->FindValue("N")->data), 3u);
}

// ---- the text of a change ----

struct ChangeRow {
    const char* name;
    std::function<void(Hive&)> change;
    bool told; // false: the change cannot be told as a log record (the whole hive is written)
};

Hive StartingHive() {
    Hive hive;
    HiveKey& key = hive.Create("Software\\Bench");
    for (const char* name : {"Un", "Deux", "Trois"})
        key.SetValue(MakeStringValue(name, name));
    key.SetValue(MakeStringValue("", "défaut"));
    hive.Create("Software\\Bench\\Sous\\Clé").SetValue(MakeDwordValue("x", 1));
    hive.Create("Software\\Autre").denyWrite = true;
    return hive;
}

const ChangeRow kChanges[] = {
    {"NewValue", [](Hive& h) { h.Find("Software\\Bench")->SetValue(MakeDwordValue("Quatre", 4)); }, true},
    {"ChangedValueKeepsItsPlace", [](Hive& h) { h.Find("Software\\Bench")->SetValue(MakeStringValue("deux", "2")); },
     true},
    {"DeletedValue", [](Hive& h) { h.Find("Software\\Bench")->DeleteValue("Deux"); }, true},
    {"DeletedDefaultValue", [](Hive& h) { h.Find("Software\\Bench")->DeleteValue(""); }, true},
    {"NameWithQuotesAndBackslashes",
     [](Hive& h) { h.Find("Software\\Bench")->SetValue(MakeStringValue("a\\\"b\"", "c\\\"d")); }, true},
    {"DeletedKeyWithItsSubKeys", [](Hive& h) { h.Delete("Software\\Bench"); }, true},
    {"EverythingDeleted", [](Hive& h) { h.Delete(""); }, true},
    {"NewKeysWithMarks",
     [](Hive& h) {
         HiveKey& key = h.Create("Software\\Nouvelle\\Société");
         key.denyRead = true;
         key.SetValue(MakeBinaryValue("Bin", std::vector<std::uint8_t>(200, 7)));
     },
     true},
    {"MarkLifted", [](Hive& h) { h.Find("Software\\Autre")->denyWrite = false; }, true},
    {"ValueDeletedAndAddedAgainGoesLast",
     [](Hive& h) {
         HiveKey& key = *h.Find("Software\\Bench");
         key.DeleteValue("Un");
         key.SetValue(MakeStringValue("Un", "1"));
     },
     false},
    {"KeyRecreatedWithAnotherCase",
     [](Hive& h) {
         h.Delete("Software\\Autre");
         h.Create("Software\\AUTRE");
     },
     false},
};

class DescribedChange : public testing::TestWithParam<ChangeRow> {};

TEST_P(DescribedChange, ReadOverTheFormerHiveGivesTheNewOne) {
    const Hive before = StartingHive();
    Hive after = before;
    GetParam().change(after);
    const auto text = DescribeChanges(HKCU, before, after);
    ASSERT_EQ(text.has_value(), GetParam().told);
    if (!text)
        return;
    Hive replayed = before;
    ApplyDocument(replayed,
                  ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()), "log"),
                  HKCU, "log");
    EXPECT_EQ(replayed, after) << *text;
    for (const HiveKey* key : after.Subtree("")) {
        ASSERT_NE(replayed.Find(key->path), nullptr) << key->path;
        EXPECT_EQ(replayed.Find(key->path)->path, key->path) << "the spelling is kept";
    }
    // Read twice (a log read again over the hive it was folded into) it changes nothing more.
    ApplyDocument(replayed,
                  ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size()), "log"),
                  HKCU, "log");
    EXPECT_EQ(replayed, after);
}

INSTANTIATE_TEST_SUITE_P(Changes, DescribedChange, testing::ValuesIn(kChanges),
                         [](const testing::TestParamInfo<ChangeRow>& row) { return std::string(row.param.name); });

TEST(HiveLog, ChangeThatCannotBeToldIsWrittenWholeAndReadBackTheSame) {
    TempFolder temp;
    const auto path = temp.Path() / "HKEY_CURRENT_USER.reg";
    HiveFile file(path, HKCU, kMaxHiveFileSize, kNoFold);
    for (const char* name : {"Un", "Deux"})
        ASSERT_EQ(SetDword(file, name, 1), kErrorSuccess);
    ASSERT_TRUE(std::filesystem::exists(file.LogPath()));
    ASSERT_EQ(file.Modify([](Hive& hive) {
        HiveKey& key = *hive.Find("Software\\Bench");
        key.DeleteValue("Un");
        key.SetValue(MakeDwordValue("Un", 2));
        return kErrorSuccess;
    }),
              kErrorSuccess);
    EXPECT_FALSE(std::filesystem::exists(file.LogPath())) << "written whole";
    HiveFile reader(path, HKCU, kMaxHiveFileSize, kNoFold);
    EXPECT_EQ(Names(*reader.Load()), (std::vector<std::string>{"Deux", "Un"}));
}

// ---- copies of a hive ----

TEST(HiveCopies, ShareTheKeysNeitherChangedAndNeverSeeTheOthersChanges) {
    Hive original;
    original.Create("A\\B").SetValue(MakeDwordValue("n", 1));
    original.Create("C").SetValue(MakeDwordValue("n", 1));
    Hive copy = original;
    copy.Find("a\\b")->SetValue(MakeDwordValue("N", 2));
    copy.Create("A\\B\\D"); // a new key under a shared parent leaves the parent shared
    original.Create("C").SetValue(MakeDwordValue("n", 3));
    EXPECT_EQ(DataAsDword(original.Find("A\\B")->FindValue("n")->data), 1u);
    EXPECT_EQ(DataAsDword(copy.Find("A\\B")->FindValue("n")->data), 2u);
    EXPECT_EQ(DataAsDword(std::as_const(copy).Find("C")->FindValue("n")->data), 1u);
    EXPECT_EQ(original.Find("A\\B\\D"), nullptr);
    EXPECT_EQ(std::as_const(original).Find("A"), std::as_const(copy).Find("A")) << "unchanged: shared";
    EXPECT_NE(original, copy);
    Hive again = copy;
    EXPECT_EQ(again, copy);
    again.Find("C"); // reached for writing but left as it was: still equal
    EXPECT_EQ(again, copy);
}

// ---- a key of many values ----

TEST(HiveKeyValues, ManyValuesKeepTheirOrderAndAreFoundWithoutRegardToCase) {
    HiveKey key;
    constexpr int kCount = 5000;
    for (int i = 0; i < kCount; ++i)
        key.SetValue(MakeDwordValue("Valeur" + std::to_string(i), static_cast<std::uint32_t>(i)));
    key.SetValue(MakeDwordValue("VALEUR42", 1)); // replaced in place, first spelling kept
    ASSERT_TRUE(key.DeleteValue("valeur0"));
    EXPECT_FALSE(key.DeleteValue("valeur0"));
    key.SetValue(MakeDwordValue("Nouvelle", 7));
    ASSERT_EQ(key.values.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(key.values.front().name, "Valeur1");
    EXPECT_EQ(key.values[41].name, "Valeur42");
    EXPECT_EQ(DataAsDword(key.values[41].data), 1u);
    EXPECT_EQ(key.values.back().name, "Nouvelle");
    for (int i = 1; i < kCount; ++i) {
        const RegistryValue* found = key.FindValue("VALEUR" + std::to_string(i));
        ASSERT_NE(found, nullptr) << i;
        EXPECT_EQ(found, &key.values[static_cast<std::size_t>(i - 1)]);
    }
    // A list changed without the key's functions is still searched right.
    key.values.erase(key.values.begin());
    EXPECT_EQ(key.FindValue("valeur1"), nullptr);
    EXPECT_EQ(key.FindValue("valeur2"), &key.values.front());
    key.SetValue(MakeDwordValue("valeur3", 9));
    EXPECT_EQ(key.values[1].name, "Valeur3");
    EXPECT_EQ(DataAsDword(key.values[1].data), 9u);
}

} // namespace
