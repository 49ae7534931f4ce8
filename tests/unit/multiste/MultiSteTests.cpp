// The company register: where "multiste.txt" is found, loading and choosing, adding a company.

#include "Common/Interbase/MultiSte.h"
#include "MachineFixture.h"
#include "environment/MachineRegistry.h"
#include "environment/RegAccess.h"
#include "environment/RegistryText.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"

#include <iterator>

namespace {

using Lines = std::vector<std::string>;
using platform::RegistryRoot;

const char* const kUserKey = "Software\\QUARNEL S.A.\\Multiste";

class MultiSte : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        // A second fixed drive D: for the Windows folder's drive.
        const std::filesystem::path d = Root() / "prefix" / "drives" / "D";
        std::filesystem::create_directories(d);
        ChangeMachine([&](platform::MachineSettings& settings) {
            settings.drives.push_back(platform::Drive{'D', d, platform::DriveType::Fixed, "NTFS", {}});
        });
    }

    std::string ReadFile(const std::string& windowsPath) const {
        std::ifstream in(Host(windowsPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void SetLastCompany(const std::string& name) {
        WriteRegistryString(RegistryRoot::CurrentUser, kUserKey, "LastCompany", name);
    }

    TFMultiSte dialog;
};

struct SearchRow {
    const char* name;
    Lines files;
    const char* windowsFolder;
    const char* expected;
};

class MultisteSearch : public MultiSte, public ::testing::WithParamInterface<SearchRow> {};

TEST_P(MultisteSearch, FirstExistingCandidateWins) {
    const SearchRow& row = GetParam();
    ChangeMachine([&](platform::MachineSettings& settings) { settings.windowsFolder = row.windowsFolder; });
    // Veltrane registered in C:\Quarnel\Veltrane\Programs: the installation root is C:\Quarnel\.
    MakeFolder("C:\\Quarnel\\Veltrane\\Programs");
    ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\Quarnel\\Veltrane\\Programs\\Veltrane.exe"));
    for (const std::string& file : row.files)
        WriteFile(file, "Société\r\n");
    EXPECT_EQ(TFMultiSte::GetMultisteFilename(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MultisteSearch,
    ::testing::Values(SearchRow{"QuarnelBeforeWquarnel",
                                {"C:\\wquarnel\\multiste.txt", "C:\\quarnel\\multiste.txt"},
                                "C:\\Windows",
                                "C:\\quarnel\\multiste.txt"},
                      SearchRow{"DoubleExtension",
                                {"C:\\quarnel\\multiste.txt.txt", "C:\\wquarnel\\multiste.txt"},
                                "C:\\Windows",
                                "C:\\quarnel\\multiste.txt.txt"},
                      SearchRow{"WquarnelDoubleExtension",
                                {"C:\\wquarnel\\multiste.txt.txt"},
                                "C:\\Windows",
                                "C:\\wquarnel\\multiste.txt.txt"},
                      SearchRow{
                          "WindowsDrive", {"D:\\quarnel\\multiste.txt"}, "D:\\Windows", "D:\\quarnel\\multiste.txt"},
                      SearchRow{"DriveCBeforeWindowsDrive",
                                {"D:\\quarnel\\multiste.txt", "C:\\wquarnel\\multiste.txt"},
                                "D:\\Windows",
                                "C:\\wquarnel\\multiste.txt"},
                      SearchRow{"CommonPrograms",
                                {"C:\\Quarnel\\Common\\Programs\\multiste.txt"},
                                "C:\\Windows",
                                "C:\\Quarnel\\Common\\Programs\\multiste.txt"},
                      SearchRow{"OtherDriveNotSearched", {"D:\\quarnel\\multiste.txt"}, "C:\\Windows", ""},
                      SearchRow{"Nothing", {}, "C:\\Windows", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(MultiSte, SearchDeletesTheMachineWideKey) {
    platform::RegistryKey key;
    ASSERT_EQ(MachineRegistry().CreateKey(RegistryRoot::LocalMachine, "Software\\QUARNEL S.A.\\MultiSte\\Old",
                                          platform::kKeyAllAccess, key),
              0u);
    TFMultiSte::GetMultisteFilename();
    platform::RegistryKey gone;
    EXPECT_EQ(MachineRegistry().OpenKey(RegistryRoot::LocalMachine, "Software\\QUARNEL S.A.\\MultiSte",
                                        platform::kKeyRead, gone),
              2u);
    EXPECT_EQ(MachineRegistry().OpenKey(RegistryRoot::LocalMachine, "Software\\QUARNEL S.A.", platform::kKeyRead, gone),
              0u);
}

TEST_F(MultiSte, LoadSelectsTheLastCompanyWhateverItsCase) {
    WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\n\r\nB\xE9ta SA\r\nGamma");
    SetLastCompany("BÉTA sa");
    dialog.ChargeFichier();
    EXPECT_EQ(dialog.ComboBoxCompanies.Items, (Lines{"Alpha", "", "Béta SA", "Gamma"}));
    EXPECT_EQ(dialog.ComboBoxCompanies.ItemIndex, 2);
    EXPECT_EQ(dialog.SteChoisie(), "Béta SA");
    EXPECT_EQ(dialog.FFilename, "C:\\quarnel\\multiste.txt");
    EXPECT_EQ(dialog.InfoText(), "Liste des sociétés :\r\nC:\\quarnel\\multiste.txt");

    SetLastCompany("Absente");
    dialog.ChargeFichier();
    EXPECT_EQ(dialog.SteChoisie(), "Alpha");
}

TEST_F(MultiSte, WithoutRegisterTheDefaultCompany) {
    SetLastCompany("Alpha");
    dialog.ChargeFichier();
    EXPECT_TRUE(dialog.ComboBoxCompanies.Items.empty());
    EXPECT_EQ(dialog.ComboBoxCompanies.ItemIndex, -1);
    EXPECT_EQ(dialog.FFilename, "");
    EXPECT_EQ(dialog.SteChoisie(), "");
    EXPECT_EQ(dialog.CompanyNameOrDefault(), "Default");
    int shown = 0;
    dialog.SetShowModal([&](TFMultiSte&) { ++shown; });
    EXPECT_TRUE(dialog.DemandeSte());
    EXPECT_EQ(shown, 0);
}

TEST_F(MultiSte, UnreadableUserKeyIsReported) {
    WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\n");
    MachineRegistry().SetKeyAccess(RegistryRoot::CurrentUser, kUserKey, true, false);
    try {
        dialog.ChargeFichier();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Lecture d'une valeur de registre impossible : \r\n", 0), 0u) << e.what();
    }
}

TEST_F(MultiSte, OneCompanyIsChosenWithoutAsking) {
    WriteFile("C:\\quarnel\\multiste.txt", "Seule\r\n");
    int shown = 0;
    dialog.SetShowModal([&](TFMultiSte&) { ++shown; });
    EXPECT_TRUE(dialog.DemandeSte());
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(dialog.CompanyNameOrDefault(), "Seule");
}

TEST_F(MultiSte, SeveralCompaniesAskAndOkRemembersTheChoice) {
    WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta\r\n");
    dialog.SetShowModal([](TFMultiSte& shown) {
        EXPECT_TRUE(shown.Abandon);
        shown.ComboBoxCompanies.Select(1);
        shown.BokClick();
    });
    EXPECT_TRUE(dialog.DemandeSte());
    EXPECT_EQ(dialog.SteChoisie(), "Beta");
    EXPECT_EQ(ReadRegistryString(RegistryRoot::CurrentUser, kUserKey, "LastCompany"), "Beta");

    dialog.SetShowModal([](TFMultiSte& shown) {
        shown.ComboBoxCompanies.Select(0);
        shown.BannulerClick();
    });
    EXPECT_FALSE(dialog.DemandeSte());
    EXPECT_EQ(ReadRegistryString(RegistryRoot::CurrentUser, kUserKey, "LastCompany"), "Beta");

    dialog.SetShowModal(nullptr); // no window to ask with: abandoned
    EXPECT_FALSE(dialog.DemandeSte());
}

TEST_F(MultiSte, OkIgnoresAnUnwritableUserKey) {
    WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta\r\n");
    MachineRegistry().SetKeyAccess(RegistryRoot::CurrentUser, kUserKey, false, true);
    dialog.SetShowModal([](TFMultiSte& shown) { shown.BokClick(); });
    EXPECT_TRUE(dialog.DemandeSte());
}

TEST_F(MultiSte, SetSocieteSelectsWithoutRemembering) {
    WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta\r\n");
    dialog.SetSociete("BETA");
    EXPECT_EQ(dialog.SteChoisie(), "Beta");
    EXPECT_EQ(ReadRegistryString(RegistryRoot::CurrentUser, kUserKey, "LastCompany"), "");
    try {
        dialog.SetSociete("Delta");
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Société non trouvée : Delta");
    }
}

TEST(CompareSocietes, Rows) {
    struct Row {
        const char* a;
        const char* b;
        bool expected;
    };
    const Row rows[] = {
        {"", "  default\t", true},  {"", "", true},       {"Alpha", " ALPHA ", true}, {"Béta", "BÉTA", true},
        {"Alpha", "Alpha2", false}, {"", "Alpha", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TFMultiSte::CompareSocietes(row.a, row.b), row.expected) << row.a << " / " << row.b;
}

TEST_F(MultiSte, AddingAPresentNameLeavesTheFileUntouched) {
    const std::string content = "Alpha\r\n\r\n  \r\nBeta\r\n";
    WriteFile("C:\\quarnel\\multiste.txt", content);
    TFMultiSte::AddSociete("BETA");
    EXPECT_EQ(ReadFile("C:\\quarnel\\multiste.txt"), content);
    TFMultiSte::AddSociete("Gamma é");
    EXPECT_EQ(ReadFile("C:\\quarnel\\multiste.txt"), "Alpha\r\nBeta\r\nGamma \xE9\r\n");
}

TEST_F(MultiSte, AddingKeepsAByteOrderMarksEncoding) {
    WriteFile("C:\\quarnel\\multiste.txt", std::string("\xFF\xFE"
                                                       "A\0\r\0\n\0",
                                                       8));
    TFMultiSte::AddSociete("é");
    EXPECT_EQ(ReadFile("C:\\quarnel\\multiste.txt"), std::string("\xFF\xFE"
                                                                 "A\0\r\0\n\0\xE9\0\r\0\n\0",
                                                                 14));
    WriteFile("C:\\quarnel\\multiste.txt", "\xEF\xBB\xBF"
                                           "A\r\n");
    TFMultiSte::AddSociete("é");
    EXPECT_EQ(ReadFile("C:\\quarnel\\multiste.txt"), "\xEF\xBB\xBF"
                                                     "A\r\n\xC3\xA9\r\n");
}

TEST_F(MultiSte, AddingWithoutRegisterCreatesOneOnTheWindowsDrive) {
    ChangeMachine([](platform::MachineSettings& settings) { settings.windowsFolder = "D:\\Windows"; });
    TFMultiSte::AddSociete("Alpha");
    EXPECT_EQ(ReadFile("D:\\quarnel\\multiste.txt"), "Alpha\r\n");
    EXPECT_EQ(TFMultiSte::GetMultisteFilename(), "D:\\quarnel\\multiste.txt");
}

// A link in the drive that leads out of it: the register is read through it, never written.
struct OutsideLink {
    const char* name;
    const char* link;   // the Windows path made a link
    const char* target; // what it leads to, beneath the test's folder, outside the drive
};

class MultisteOutsideLink : public MultiSte, public ::testing::WithParamInterface<OutsideLink> {};

TEST_P(MultisteOutsideLink, AddingFailsWithAccessDeniedAndTouchesNothingOutside) {
    const std::filesystem::path outside = Root() / "outside";
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "multiste.txt", std::ios::binary) << "Alpha\r\n";
    MakeFolder("C:\\quarnel");
    const std::filesystem::path link = Host(GetParam().link);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(Root() / GetParam().target, link);

    try {
        TFMultiSte::AddSociete("Beta");
        ADD_FAILURE() << "the write passed through the link";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorAccessDenied);
        EXPECT_EQ(std::string(error.what()), platform::SystemErrorMessage(platform::kErrorAccessDenied));
    }
    std::ifstream in(outside / "multiste.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Alpha\r\n");
    EXPECT_EQ(std::filesystem::directory_iterator(outside)->path().filename(), "multiste.txt"); // nothing beside it
}

INSTANTIATE_TEST_SUITE_P(Links, MultisteOutsideLink,
                         ::testing::Values(OutsideLink{"File", "C:\\quarnel\\multiste.txt", "outside/multiste.txt"},
                                           OutsideLink{"Folder", "C:\\quarnel", "outside"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MultiSte, AddingToAReadOnlyRegisterFailsWithAccessDenied) {
    const std::string file = "C:\\quarnel\\multiste.txt";
    WriteFile(file, "Alpha\r\n");
    ASSERT_TRUE(platform::SetFileAttributes(file, platform::kFileAttributeReadOnly));

    try {
        TFMultiSte::AddSociete("Beta");
        ADD_FAILURE() << "a read-only register was written";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(std::string(error.what()), platform::SystemErrorMessage(platform::kErrorAccessDenied));
    }
    EXPECT_EQ(ReadFile(file), "Alpha\r\n");
}

TEST(FMultiSte, OneObjectForTheProgram) {
    EXPECT_EQ(&FMultiSte(), &FMultiSte());
    EXPECT_EQ(FMultiSte().Caption, "Sélection de la société");
    EXPECT_EQ(FMultiSte().Label1, "Société : ");
    EXPECT_EQ(FMultiSte().BannulerCaption, "Annuler");
    EXPECT_TRUE(FMultiSte().Abandon);
}

} // namespace
