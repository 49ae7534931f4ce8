// The portable version-resource reader against Windows' own GetFileVersionInfoW and
// VerQueryValueW, on the same files.
#include "pe/PeWriter.h"
#include "platform/pe/PeVersionReader.h"
#include "platform/text/Text.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include <winver.h>

namespace {

namespace fs = std::filesystem;
using testsupport::PeFormat;

struct VersionRow {
    const char* name;
    PeFormat format;
    platform::VersionResource resource;
};

platform::VersionResource WithCompany(platform::VersionResource resource, std::string company) {
    resource.stringTables[0].strings.push_back({"CompanyName", std::move(company)});
    return resource;
}

std::wstring Wide(std::string_view text) {
    const std::u16string wide = platform::text::Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

// What Windows reads from the file: the whole VS_VERSIONINFO block.
std::vector<unsigned char> WindowsVersionInfo(const fs::path& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<unsigned char> block(size);
    if (size == 0 || !::GetFileVersionInfoW(file.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

template <typename T> const T* Query(std::vector<unsigned char>& block, const std::wstring& path, UINT& length) {
    void* value = nullptr;
    length = 0;
    if (!::VerQueryValueW(block.data(), path.c_str(), &value, &length))
        return nullptr;
    return static_cast<const T*>(value);
}

class VersionApi : public testing::TestWithParam<VersionRow> {
protected:
    void SetUp() override {
        FFile = fs::temp_directory_path() / (std::string("quarnel-version-") + GetParam().name + ".dll");
        testsupport::WritePeFile(FFile, GetParam().resource, GetParam().format);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(FFile, ignored);
    }
    fs::path FFile;
};

TEST_P(VersionApi, ThePortableReaderReadsWhatWindowsReads) {
    const auto ours = platform::ReadVersionResource(FFile);
    ASSERT_TRUE(ours.has_value());
    std::vector<unsigned char> block = WindowsVersionInfo(FFile);
    ASSERT_FALSE(block.empty()) << "GetFileVersionInfoW refused the file: " << ::GetLastError();

    UINT length = 0;
    const auto* fixed = Query<VS_FIXEDFILEINFO>(block, L"\\", length);
    ASSERT_NE(fixed, nullptr);
    ASSERT_TRUE(ours->fixedInfo.has_value());
    EXPECT_EQ(fixed->dwFileVersionMS, ours->fixedInfo->fileVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, ours->fixedInfo->fileVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, ours->fixedInfo->productVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, ours->fixedInfo->productVersionLS);

    const auto* translation = Query<WORD>(block, L"\\VarFileInfo\\Translation", length);
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length / 4, ours->translations.size());
    EXPECT_EQ(translation[0], ours->translations[0].language);
    EXPECT_EQ(translation[1], ours->translations[0].codePage);

    for (const platform::StringTable& table : ours->stringTables) {
        for (const platform::VersionString& entry : table.strings) {
            const std::wstring path = L"\\StringFileInfo\\" + Wide(table.key) + L"\\" + Wide(entry.name);
            const auto* value = Query<wchar_t>(block, path, length);
            ASSERT_NE(value, nullptr) << entry.name;
            const std::wstring windows(value, length > 0 ? length - 1 : 0); // without its terminator
            EXPECT_EQ(windows, Wide(*ours->QueryString(table.key, entry.name))) << entry.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionApi,
    testing::Values(
        VersionRow{"Pe32Plus", PeFormat::Pe32Plus, testsupport::MakeVersionResource(1, 0, 0, 2)},
        VersionRow{"Pe32", PeFormat::Pe32, testsupport::MakeVersionResource(2, 5, 2, 26540, "WI-V2.5.2.26540")},
        VersionRow{"LargeNumbers", PeFormat::Pe32Plus, testsupport::MakeVersionResource(65535, 1, 65534, 4731)},
        VersionRow{"AccentedCompany", PeFormat::Pe32Plus,
                   WithCompany(testsupport::MakeVersionResource(6, 3, 2, 4731), "Soci\u00E9t\u00E9 Quarnel \u20AC")}),
    [](const testing::TestParamInfo<VersionRow>& row) { return std::string(row.param.name); });

} // namespace
