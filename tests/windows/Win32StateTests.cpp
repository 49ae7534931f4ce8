// The means of the journal and of the machine-wide update lock on Windows: the kernel lock of a
// run, durable appends, file identities and names, and the administrators-only state folder.
#include "platform/files/FileIdentity.h"
#include "platform/files/LockedFile.h"
#include "platform/files/PrivateFolder.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <aclapi.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sddl.h>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::LockedFile;
using platform::win32::PathToUtf8;

// A fresh folder (accented name) per test, removed afterwards.
class Win32State : public testing::Test {
protected:
    void SetUp() override {
        std::string name = std::string("quarnel-\u00E9tat-") +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                           std::to_string(std::random_device{}());
        std::replace(name.begin(), name.end(), '/', '-');
        FFolder = fs::temp_directory_path() / platform::win32::PathFromUtf8(name);
        ASSERT_TRUE(fs::create_directory(FFolder));
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(FFolder, ignored))
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(FFolder, ignored);
    }

    static void Write(const fs::path& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    static void Write(const std::string& utf8, const std::string& content) {
        Write(platform::win32::PathFromUtf8(utf8), content);
    }

    fs::path FFolder;
};

TEST_F(Win32State, TheLockIsHeldOnceAndGoesWithItsHolder) {
    const fs::path file = FFolder / "update.lock";
    auto first = std::make_unique<LockedFile>(file, LockedFile::Opening::CreateNew);
    ASSERT_TRUE(first->Opened()) << first->OpenError();
    EXPECT_TRUE(first->Held());

    LockedFile second(file, LockedFile::Opening::OpenAlways);
    ASSERT_TRUE(second.Opened()) << second.OpenError(); // opening it tells whether its run lives
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(LockedFile(file, LockedFile::Opening::CreateNew).OpenError(), platform::kErrorFileExists);

    first.reset();
    EXPECT_TRUE(LockedFile(file, LockedFile::Opening::OpenExisting).Held());
    EXPECT_TRUE(second.WaitForLock());
    EXPECT_TRUE(second.Held());
    EXPECT_EQ(LockedFile(FFolder / "absent", LockedFile::Opening::OpenExisting).OpenError(),
              platform::kErrorFileNotFound);
}

// A journal is written under the lock, renamed and removed while its run holds it, and read by
// another opening meanwhile: the lock never stands in the way of its content.
TEST_F(Win32State, AHeldJournalIsAppendedReadRenamedAndRemoved) {
    const fs::path partial = FFolder / ".run-1.part";
    const fs::path journal = FFolder / "run-1.txt";
    LockedFile lock(partial, LockedFile::Opening::CreateNew);
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(lock.AppendDurably("d\u00E9but\r\n"));
    ASSERT_TRUE(lock.AppendDurably("ligne 2\n"));
    ASSERT_TRUE(::MoveFileExW(partial.c_str(), journal.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        << ::GetLastError();

    LockedFile reader(journal, LockedFile::Opening::OpenExisting);
    ASSERT_TRUE(reader.Opened());
    EXPECT_FALSE(reader.Held());
    EXPECT_EQ(reader.ReadAll(1000), "d\u00E9but\r\nligne 2\n");
    EXPECT_EQ(reader.ReadAll(5), std::nullopt);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorBufferOverflow);

    ASSERT_TRUE(lock.AppendDurably("ligne 3\n"));
    EXPECT_EQ(lock.ReadAll(1000), "d\u00E9but\r\nligne 2\nligne 3\n");
    EXPECT_EQ(lock.UntrustedBecause(), std::nullopt);

    EXPECT_TRUE(fs::remove(journal)); // the name goes once the last opening closes
    reader = LockedFile();
    lock = LockedFile();
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(Win32State, AnAppendStartsWhereTheLastWholeOneEnded) {
    const fs::path file = FFolder / "run-2.txt";
    Write(file, "ancien\n");
    LockedFile lock(file, LockedFile::Opening::OpenExisting);
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(lock.AppendDurably("nouveau\n"));
    EXPECT_EQ(lock.ReadAll(100), "ancien\nnouveau\n");
}

TEST_F(Win32State, AFileWithASecondNameIsUntrusted) {
    const fs::path file = FFolder / "run-3.txt";
    LockedFile lock(file, LockedFile::Opening::CreateNew);
    ASSERT_EQ(lock.UntrustedBecause(), std::nullopt);
    ASSERT_TRUE(platform::CreateHardLink(PathToUtf8(FFolder / "autre.txt"), PathToUtf8(file)));
    EXPECT_EQ(lock.UntrustedBecause(), "il porte plusieurs noms");
}

TEST_F(Win32State, IdentitiesFollowTheFileNotItsName) {
    const std::string file = PathToUtf8(FFolder / "produit.exe");
    const std::string second = PathToUtf8(FFolder / "produit.exe.sauve");
    Write(file, "version 1");
    ASSERT_TRUE(platform::CreateHardLink(second, file));
    const auto first = platform::GetFileIdentity(file);
    const auto other = platform::GetFileIdentity(second);
    ASSERT_TRUE(first && other);
    EXPECT_TRUE(first->SameContentAs(*other));
    EXPECT_EQ(first->size, 9u);
    EXPECT_FALSE(first->directory);
    EXPECT_TRUE(platform::GetFileIdentity(PathToUtf8(FFolder))->directory);

    Write(file, "version 2 plus longue");
    const auto changed = platform::GetFileIdentity(file);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->index, first->index);
    EXPECT_FALSE(changed->SameContentAs(*first));

    EXPECT_FALSE(platform::CreateHardLink(second, file));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
    EXPECT_FALSE(platform::GetFileIdentity(PathToUtf8(FFolder / "absent")));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_TRUE(platform::DriveHasHardLinks(file));
}

// A backup kept as a second name of a read-only file goes; the file keeps its name and attribute.
TEST_F(Win32State, RemovingASecondNameLeavesTheFileAsItWas) {
    const std::string file = PathToUtf8(FFolder / "lecture-seule.dll");
    const std::string backup = PathToUtf8(FFolder / "lecture-seule.dll.sauve");
    Write(file, "contenu");
    ASSERT_TRUE(platform::CreateHardLink(backup, file));
    ASSERT_TRUE(::SetFileAttributesW(platform::win32::Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(platform::RemoveFileName(backup)) << platform::GetLastError();
    EXPECT_FALSE(fs::exists(platform::win32::PathFromUtf8(backup)));
    EXPECT_NE(::GetFileAttributesW(platform::win32::Wide(file).c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(platform::RemoveFileName(backup));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_FALSE(platform::RemoveFileName(PathToUtf8(FFolder)));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
}

// The security of a folder as SDDL text (owner and DACL).
std::wstring SecurityOf(const fs::path& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return L"(illisible)";
    wchar_t* text = nullptr;
    ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr);
    std::wstring result = text ? text : L"(illisible)";
    ::LocalFree(text);
    ::LocalFree(descriptor);
    return result;
}

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring ProcessUser() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    std::uint8_t buffer[256];
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    ::CloseHandle(token);
    wchar_t* text = nullptr;
    ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::wstring result = text ? text : L"?";
    ::LocalFree(text);
    return result;
}

// A folder given a DACL after it is made (Wine applies a DACL given at creation through the umask,
// which would take the others' rights away again).
bool MakeFolderWithSecurity(const fs::path& folder, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::CreateDirectoryW(folder.c_str(), nullptr) ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD status = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, present ? dacl : nullptr, nullptr);
    ::LocalFree(descriptor);
    return status == ERROR_SUCCESS;
}

// The state folder and its journal folder are made for the administrators alone, and what is
// made inside them inherits it.
TEST_F(Win32State, TheStateFolderIsMadeForAdministratorsOnly) {
    const fs::path state = FFolder / "Quarnel";
    const fs::path journal = state / "journal";
    ASSERT_EQ(platform::MakePrivateFolder(journal), std::nullopt);

    // Wine keeps no ACLs: it reports the owner as its user and a DACL read from the Unix mode,
    // where what others may do shows as an entry for Everyone (WD); a folder made with the
    // system's defaults there lets everyone read it.
    const std::wstring expected =
        UnderWine() ? L"O:" + ProcessUser() + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + ProcessUser() + L")"
                    : L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
    EXPECT_EQ(SecurityOf(state), expected);
    EXPECT_EQ(SecurityOf(journal), expected);
    EXPECT_EQ(platform::UntrustedFolderBecause(state), std::nullopt);
    EXPECT_EQ(platform::MakePrivateFolder(journal), std::nullopt); // an existing fit one is taken as it is

    LockedFile lock(state / "update.lock", LockedFile::Opening::OpenAlways);
    ASSERT_TRUE(lock.Held());
    EXPECT_EQ(lock.UntrustedBecause(), std::nullopt);
}

struct ForeignFolder {
    const char* label;
    const wchar_t* sddl;
    const char* reason; // what the refusal says after the folder's name
};

class Win32ForeignFolder : public Win32State, public testing::WithParamInterface<ForeignFolder> {};

// A state folder someone else could write is refused with its reason and left as it is. (Wine
// reports every file as its user's: a folder owned by another user cannot be made there.)
TEST_P(Win32ForeignFolder, IsRefusedAndLeftAsItIs) {
    const fs::path state = FFolder / "Quarnel";
    ASSERT_TRUE(MakeFolderWithSecurity(state, GetParam().sddl)) << ::GetLastError();
    const std::wstring before = SecurityOf(state);
    const std::string named = "le dossier \"" + PathToUtf8(state) + "\"";

    const auto refused = platform::MakePrivateFolder(state / "journal");
    ASSERT_TRUE(refused) << platform::win32::Narrow(before);
    EXPECT_NE(refused->find(named), std::string::npos) << *refused;
    EXPECT_NE(refused->find(GetParam().reason), std::string::npos) << *refused;
    EXPECT_EQ(platform::UntrustedFolderBecause(state), refused);
    EXPECT_EQ(SecurityOf(state), before);
    EXPECT_FALSE(fs::exists(state / "journal"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32ForeignFolder,
    testing::Values(ForeignFolder{"EveryoneWrites", L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FA;;;WD)",
                                  "d'autres utilisateurs que les administrateurs peuvent écrire dans"},
                    ForeignFolder{"EveryoneMayAddFiles", L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200ab;;;WD)",
                                  "d'autres utilisateurs que les administrateurs peuvent écrire dans"},
                    ForeignFolder{"NoDacl", L"O:BA",
                                  "d'autres utilisateurs que les administrateurs peuvent écrire dans"}),
    [](const auto& row) { return std::string(row.param.label); });

} // namespace
