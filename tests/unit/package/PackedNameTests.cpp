#include "update/package/PackageError.h"
#include "update/package/PackedName.h"

#include <gtest/gtest.h>

namespace {

using update::package::NormalizePackedName;
using update::package::PackageError;
using update::package::PackedNameFault;

std::string Repeat(std::string_view text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

struct RefusedRow {
    const char* label;
    std::string name;
    const char* reasonPart; // a piece of the French reason
};

class RefusedNames : public testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedNames, AreRefusedWithTheirReason) {
    const auto& row = GetParam();
    const auto fault = PackedNameFault(row.name);
    ASSERT_TRUE(fault.has_value());
    EXPECT_NE(fault->find(row.reasonPart), std::string::npos) << *fault;
    try {
        NormalizePackedName(row.name);
        FAIL() << "accepted";
    } catch (const PackageError& error) {
        EXPECT_NE(std::string(error.what()).find("ne peut pas figurer dans un paquet"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedNames,
    testing::Values(
        RefusedRow{"Empty", "", "vide"}, RefusedRow{"RootedBackslash", "\\WINDOWS\\X.DLL", "absolu"},
        RefusedRow{"RootedSlash", "/etc/passwd", "absolu"}, RefusedRow{"DriveAndRoot", "C:\\X.TXT", "lecteur"},
        RefusedRow{"DriveRelative", "C:X.TXT", "lecteur"}, RefusedRow{"ColonInside", "A:B.TXT", "lecteur"},
        RefusedRow{"ParentFirst", "..\\X.TXT", "« .. »"}, RefusedRow{"ParentInside", "ZVK\\..\\..\\X.TXT", "« .. »"},
        RefusedRow{"ParentLast", "ZVK\\..", "« .. »"}, RefusedRow{"ParentAlone", "..", "« .. »"},
        RefusedRow{"CurrentInside", "ZVK\\.\\X.TXT", "« .. »"}, RefusedRow{"EmptyElement", "ZVK\\\\X.TXT", "vide"},
        RefusedRow{"TrailingBackslash", "ZVK\\", "vide"}, RefusedRow{"ForwardSlash", "ZVK/X.TXT", "barre oblique"},
        RefusedRow{"Star", "*.TXT", "« * »"}, RefusedRow{"Question", "X?.TXT", "« ? »"},
        RefusedRow{"Pipe", "A|B", "« | »"}, RefusedRow{"Less", "A<B", "« < »"}, RefusedRow{"Quote", "A\"B", "« \" »"},
        RefusedRow{"Tab", "A\tB", "contrôle"}, RefusedRow{"Newline", "A\nB", "contrôle"},
        RefusedRow{"Nul", std::string("A\0B", 3), "contrôle"}, RefusedRow{"TrailingDot", "README.", "point"},
        RefusedRow{"TrailingSpace", "ZVK \\X.TXT", "espace"}, RefusedRow{"NotUtf8", "\xE9t\xE9.TXT", "UTF-8"},
        RefusedRow{"TooLong", std::string(260, 'A'), "259"},
        RefusedRow{"TooLongAccents", "A\\" + Repeat("é", 258), "259"}),
    [](const auto& row) { return std::string(row.param.label); });

struct AcceptedRow {
    const char* label;
    std::string name;
    std::string stored;
};

class AcceptedNames : public testing::TestWithParam<AcceptedRow> {};

TEST_P(AcceptedNames, AreStoredInCapitals) {
    EXPECT_EQ(PackedNameFault(GetParam().name), std::nullopt);
    EXPECT_EQ(NormalizePackedName(GetParam().name), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Table, AcceptedNames,
                         testing::Values(AcceptedRow{"Plain", "Updates.txt", "UPDATES.TXT"},
                                         AcceptedRow{"SubFolder", "zvk\\SA-00.int", "ZVK\\SA-00.INT"},
                                         AcceptedRow{"Accents", "été\\Résumé.rtf", "ÉTÉ\\RÉSUMÉ.RTF"},
                                         AcceptedRow{"DotsInside", "..a\\b..c", "..A\\B..C"},
                                         AcceptedRow{"LeadingDot", ".config", ".CONFIG"},
                                         AcceptedRow{"Spaces", "Mise à jour\\Lisez moi.txt",
                                                     "MISE À JOUR\\LISEZ MOI.TXT"},
                                         AcceptedRow{"Longest", std::string(259, 'a'), std::string(259, 'A')}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(PackedNameLength, CountsCharactersNotBytes) {
    const std::string accents = Repeat("é", 259);
    EXPECT_EQ(PackedNameFault(accents), std::nullopt);
    EXPECT_TRUE(PackedNameFault(accents + "é").has_value());
}

} // namespace
