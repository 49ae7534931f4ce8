#include "platform/files/Win32Security.h"

#include <aclapi.h>
#include <memory>
#include <sddl.h>
#include <vector>

namespace platform::win32 {

namespace {

// Owner Administrators; protected DACL: Administrators and SYSTEM full control, Users read and
// execute (0x1200A9), each inherited by the folders and files made inside.
constexpr const wchar_t* kStateDescriptor = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

// The rights that change an object or what a folder holds.
constexpr ACCESS_MASK kWritingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                       FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                       GENERIC_ALL;

struct LocalFreer {
    void operator()(void* memory) const { ::LocalFree(memory); }
};

// The process's own user when it is an administrator: what it makes is owned by it unless the
// system gives that to the Administrators group, and Wine, which keeps no ACLs, reports every
// file as its user's.
std::vector<std::uint8_t> AdministratorUser() {
    BOOL administrator = FALSE;
    std::uint8_t group[SECURITY_MAX_SID_SIZE];
    DWORD groupSize = sizeof group;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, group, &groupSize) ||
        !::CheckTokenMembership(nullptr, group, &administrator) || !administrator)
        return {};
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    const bool read = size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    ::CloseHandle(token);
    if (!read)
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    return std::vector<std::uint8_t>(static_cast<std::uint8_t*>(sid),
                                     static_cast<std::uint8_t*>(sid) + ::GetLengthSid(sid));
}

bool Trusted(PSID sid, const std::vector<std::uint8_t>& ownUser) {
    if (::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
        ::IsWellKnownSid(sid, WinCreatorOwnerSid))
        return true;
    return !ownUser.empty() && ::EqualSid(sid, const_cast<std::uint8_t*>(ownUser.data()));
}

} // namespace

StateSecurity::StateSecurity() {
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kStateDescriptor, SDDL_REVISION_1, &FDescriptor,
                                                                nullptr))
        FDescriptor = nullptr;
    FAttributes.nLength = sizeof FAttributes;
    FAttributes.lpSecurityDescriptor = FDescriptor;
    FAttributes.bInheritHandle = FALSE;
}

StateSecurity::~StateSecurity() {
    if (FDescriptor)
        ::LocalFree(FDescriptor);
}

Exposure ExposureOf(HANDLE handle) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                          nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return Exposure::Unreadable;
    const std::unique_ptr<void, LocalFreer> freed(descriptor);
    const std::vector<std::uint8_t> ownUser = AdministratorUser();
    if (owner == nullptr || !Trusted(owner, ownUser))
        return Exposure::ForeignOwner;
    if (dacl == nullptr)
        return Exposure::WritableByOthers;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(dacl, index, &entry))
            return Exposure::Unreadable;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue; // a denial never grants; object ACEs do not occur on files
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kWritingRights) != 0 && !Trusted(sid, ownUser))
            return Exposure::WritableByOthers;
    }
    return Exposure::None;
}

} // namespace platform::win32
