#include "pe/PeWriter.h"
#include "platform/pe/PeVersionReader.h"
#include "platform/text/Text.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using platform::ReadVersionResource;
using testsupport::PeFormat;
using Bytes = std::vector<std::uint8_t>;

// Where the fields the reader depends on lie in the writer's images (offsets from the PE format).
struct Layout {
    bool plus;
    static constexpr std::size_t kLfanew = 0x3C;
    static constexpr std::size_t kSignature = 0x40;
    static constexpr std::size_t kSectionCount = 0x46;
    static constexpr std::size_t kOptionalSize = 0x54;
    static constexpr std::size_t kOptional = 0x58;
    static constexpr std::size_t kResources = 0x200; // file offset of ".rsrc"
    std::size_t RvaCount() const { return kOptional + (plus ? 108 : 92); }
    std::size_t ResourceDirectory() const { return kOptional + (plus ? 112 : 96) + 16; }
    std::size_t Section() const { return kOptional + (plus ? 240 : 224); }
};

void SetU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}
void SetU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    SetU16(bytes, at, static_cast<std::uint16_t>(value));
    SetU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

platform::VersionResource SampleResource() {
    platform::VersionResource resource = testsupport::MakeVersionResource(6, 3, 2, 4731, "WI-V6.3.2.4731");
    resource.stringTables[0].strings.push_back({"CompanyName", "Société Quarnel"});
    return resource;
}

// A fresh folder per test, removed afterwards; tests run in parallel.
class TempFolder {
public:
    TempFolder() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("quarnel-pe-") + test->test_suite_name() + "-" + test->name() + "-";
        for (char& c : name)
            if (c == '/')
                c = '_';
        // A random suffix until the folder is new (mkdtemp's rule, on every system).
        std::random_device random;
        for (int attempt = 0; FPath.empty(); ++attempt) {
            if (attempt == 100)
                throw std::runtime_error("no fresh temporary folder");
            const auto candidate = std::filesystem::temp_directory_path() / (name + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                FPath = candidate;
        }
    }
    ~TempFolder() {
        std::error_code ignored; // a leftover temporary folder is harmless
        std::filesystem::remove_all(FPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

class PeFormatTest : public testing::TestWithParam<PeFormat> {
protected:
    Layout layout{GetParam() == PeFormat::Pe32Plus};
    Bytes Image() const {
        return testsupport::MakePeImage(GetParam(), testsupport::EncodeVersionInfo(SampleResource()));
    }
};

std::string FormatName(const testing::TestParamInfo<PeFormat>& rowInfo) {
    return rowInfo.param == PeFormat::Pe32 ? "Pe32" : "Pe32Plus";
}

TEST_P(PeFormatTest, ImageReadsBackItsVersionResource) {
    const auto resource = ReadVersionResource(Image());
    ASSERT_TRUE(resource.has_value());
    EXPECT_EQ(*resource, SampleResource());
}

TEST_P(PeFormatTest, ExtractedBytesAreTheResourceData) {
    const Bytes encoded = testsupport::EncodeVersionInfo(SampleResource());
    EXPECT_EQ(platform::ExtractVersionInfo(testsupport::MakePeImage(GetParam(), encoded)), encoded);
}

TEST_P(PeFormatTest, FileReadsBackItsVersionResource) {
    TempFolder folder;
    const auto file = folder.Path() / "Programme é.exe";
    testsupport::WritePeFile(file, SampleResource(), GetParam());
    const auto resource = ReadVersionResource(file);
    ASSERT_TRUE(resource.has_value());
    EXPECT_EQ(*resource, SampleResource());
}

TEST_P(PeFormatTest, ImageWithoutResourcesHasNoVersion) {
    EXPECT_FALSE(ReadVersionResource(testsupport::MakePeImage(GetParam(), {})).has_value());
}

TEST_P(PeFormatTest, EveryTruncationBeforeTheDataEndHasNoVersion) {
    const Bytes image = Image();
    const std::size_t dataEnd = Layout::kResources + 88 + testsupport::EncodeVersionInfo(SampleResource()).size();
    for (std::size_t size = 0; size < image.size(); ++size) {
        const auto resource = ReadVersionResource(std::span(image).first(size));
        EXPECT_EQ(resource.has_value(), size >= dataEnd) << "size " << size;
    }
}

TEST_P(PeFormatTest, EveryDamagedByteGivesNoResultOrWellFormedText) {
    const Bytes intact = Image();
    for (std::size_t at = 0; at < intact.size(); ++at) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x81}}) {
            Bytes image = intact;
            image[at] = value;
            const auto resource = ReadVersionResource(image);
            if (!resource)
                continue;
            for (const platform::StringTable& table : resource->stringTables)
                for (const platform::VersionString& string : table.strings)
                    EXPECT_TRUE(platform::text::IsValidUtf8(string.value)) << "byte " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PeFormatTest, testing::Values(PeFormat::Pe32, PeFormat::Pe32Plus), FormatName);

struct DamageRow {
    const char* name;
    std::function<void(Bytes&, const Layout&)> damage;
};

class DamagedImageTest : public testing::TestWithParam<std::tuple<PeFormat, DamageRow>> {};

TEST_P(DamagedImageTest, HasNoVersion) {
    const auto [format, row] = GetParam();
    Bytes image = testsupport::MakePeImage(format, testsupport::EncodeVersionInfo(SampleResource()));
    ASSERT_TRUE(ReadVersionResource(image).has_value());
    row.damage(image, Layout{format == PeFormat::Pe32Plus});
    EXPECT_FALSE(ReadVersionResource(image).has_value());
}

// Resource section: type directory at 0, name directory at 24, language directory at 48 (entries
// 16 bytes into each: ID, then target), data entry at 72 (RVA, size), data at 88.
const DamageRow kDamageRows[] = {
    {"NoDosMagic",
     [](Bytes& b, const Layout&) {
         b[0] = 'X';
     }},
    {"PeHeaderPastEnd",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kLfanew, 0xFFFFFFF0);
     }},
    {"PeHeaderAtLastBytes",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kLfanew, static_cast<std::uint32_t>(b.size() - 8));
     }},
    {"NoPeSignature",
     [](Bytes& b, const Layout&) {
         b[Layout::kSignature + 2] = 1;
     }},
    {"UnknownOptionalMagic",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kOptional, 0x107);
     }},
    {"OptionalHeaderPastEnd",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kOptionalSize, 0xFFFF);
     }},
    {"OptionalHeaderTooShort",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kOptionalSize, 90);
     }},
    {"TwoDataDirectoriesOnly",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.RvaCount(), 2);
     }},
    {"NoResourceDirectory",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.ResourceDirectory(), 0);
     }},
    {"ResourceOutsideSections",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.ResourceDirectory(), 0x50000);
     }},
    {"NoSections",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kSectionCount, 0);
     }},
    {"TooManySections",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kSectionCount, 97);
     }},
    {"SectionTablePastEnd",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kSectionCount, 60);
     }},
    {"SectionDataPastEnd",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.Section() + 20, 0x100000);
     }},
    {"SectionDataWrapsAround",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.Section() + 20, 0xFFFFFF00);
     }},
    {"SectionRawSizeTooSmall",
     [](Bytes& b, const Layout& l) {
         SetU32(b, l.Section() + 16, 60);
     }},
    {"HugeTypeDirectory",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kResources + 14, 0xFFFF);
     }},
    {"TypeEntriesPastSection",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kResources + 12, 0x1000);
         SetU16(b, Layout::kResources + 14, 0x1000);
     }},
    {"NoVersionType",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 16, 6);
     }},
    {"VersionTypeByName",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 16, 0x80000010);
     }},
    {"VersionTypeIsData",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 20, 24);
     }},
    {"NameOtherThanOne",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 40, 2);
     }},
    {"NameDirectoryPastSection",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 20, 0x80100000);
     }},
    {"LanguageIsDirectory",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 68, 0x80000000);
     }},
    {"LanguageLoopsToNames",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 44, 0x80000018);
     }},
    {"EmptyLanguageDirectory",
     [](Bytes& b, const Layout&) {
         SetU16(b, Layout::kResources + 62, 0);
     }},
    {"DataEntryPastSection",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 68, 0x7FFFFFF0);
     }},
    {"DataOutsideSections",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 72, 0xFFFFFFF0);
     }},
    {"DataSizeZero",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 76, 0);
     }},
    {"DataPastSection",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 76, 0x10000);
     }},
    {"DataShorterThanResource",
     [](Bytes& b, const Layout&) {
         SetU32(b, Layout::kResources + 76, 40);
     }},
};

INSTANTIATE_TEST_SUITE_P(Rows, DamagedImageTest,
                         testing::Combine(testing::Values(PeFormat::Pe32, PeFormat::Pe32Plus),
                                          testing::ValuesIn(kDamageRows)),
                         [](const testing::TestParamInfo<std::tuple<PeFormat, DamageRow>>& rowInfo) {
                             return std::string(std::get<0>(rowInfo.param) == PeFormat::Pe32 ? "Pe32_" : "Pe32Plus_") +
                                    std::get<1>(rowInfo.param).name;
                         });

struct FileRow {
    const char* name;
    std::function<std::filesystem::path(const std::filesystem::path&)> make;
};

class NonImageFileTest : public testing::TestWithParam<FileRow> {};

TEST_P(NonImageFileTest, HasNoVersion) {
    TempFolder folder;
    EXPECT_FALSE(ReadVersionResource(GetParam().make(folder.Path())).has_value());
}

const FileRow kFileRows[] = {
    {"Missing",
     [](const std::filesystem::path& dir) {
         return dir / "missing.dll";
     }},
    {"Folder",
     [](const std::filesystem::path& dir) {
         return dir;
     }},
    {"Empty",
     [](const std::filesystem::path& dir) {
         testsupport::WriteBytes(dir / "empty.dll", {});
         return dir / "empty.dll";
     }},
    {"Text",
     [](const std::filesystem::path& dir) {
         const std::string text = "MZ is not enough: this is a text file\r\n";
         testsupport::WriteBytes(dir / "readme.txt",
                                 std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
         return dir / "readme.txt";
     }},
    {"TruncatedImage",
     [](const std::filesystem::path& dir) {
         const Bytes image = testsupport::MakePeImage(PeFormat::Pe32, testsupport::EncodeVersionInfo(SampleResource()));
         testsupport::WriteBytes(dir / "cut.dll", std::span(image).first(Layout::kResources + 100));
         return dir / "cut.dll";
     }},
};

INSTANTIATE_TEST_SUITE_P(Rows, NonImageFileTest, testing::ValuesIn(kFileRows),
                         [](const testing::TestParamInfo<FileRow>& rowInfo) {
                             return std::string(rowInfo.param.name);
                         });

} // namespace
