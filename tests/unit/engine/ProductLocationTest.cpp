// Finding an installed product: the maker's folder on the drives, with its dialogs, and the program
// file the user is asked for.

#include "EngineFixture.h"

#include <gmock/gmock.h>

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ProductLocationTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeEngine();
    }
    void AddDrive(char letter, platform::DriveType type) {
        platform::Machine machine = platform::Machine::Current();
        const std::filesystem::path folder = Root() / "prefix" / "drives" / std::string(1, letter);
        std::filesystem::create_directories(folder);
        machine.MutableSettings().drives.push_back(platform::Drive{letter, folder, type, "NTFS", std::nullopt});
        platform::Machine::SetCurrent(machine);
    }
    std::vector<std::string> ErrorTexts() {
        std::vector<std::string> texts;
        for (const ui::DialogRecord& dialog : Ui().Dialogs())
            if (dialog.type == ui::DialogType::Message && dialog.kind == ui::DialogKind::Error)
                texts.push_back(dialog.text);
        return texts;
    }
    std::vector<ui::DialogRecord> Browsers() {
        std::vector<ui::DialogRecord> browsers;
        for (const ui::DialogRecord& dialog : Ui().Dialogs())
            if (dialog.type == ui::DialogType::FolderBrowser)
                browsers.push_back(dialog);
        return browsers;
    }
};

const std::string kNotFound = "Répertoire WQuarnel pas trouvé. Veuillez indiquer son emplacement.";
const std::string kTitle = "Séléctionner le répertoire \"WQuarnel\"";

TEST_F(ProductLocationTest, FolderOnOneDriveIsTakenWithoutAsking) {
    AddDrive('D', platform::DriveType::Fixed);
    MakeFolder("D:\\WQuarnel");

    EXPECT_EQ(Engine().LocateFolder("WQuarnel"), "D:\\WQuarnel");
    EXPECT_THAT(Ui().Dialogs(), IsEmpty());
}

TEST_F(ProductLocationTest, FolderOnTwoDrivesAsksAndCancellingKeepsTheFirst) {
    AddDrive('D', platform::DriveType::Remote);
    MakeFolder("C:\\WQuarnel");
    MakeFolder("D:\\WQuarnel");

    EXPECT_EQ(Engine().LocateFolder("WQuarnel"), "C:\\WQuarnel");
    EXPECT_THAT(ErrorTexts(),
                ElementsAre("2 répertoires WQuarnel ont été trouvés, veuillez choisir l'emplacement correct."));
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_EQ(Browsers()[0].caption, kTitle);
    EXPECT_EQ(Browsers()[0].text, "C:\\WQuarnel"); // preselected
}

TEST_F(ProductLocationTest, FolderOnRemovableDrivesOnlyIsNotFound) {
    AddDrive('E', platform::DriveType::CdRom);
    AddDrive('F', platform::DriveType::Removable);
    MakeFolder("E:\\WQuarnel");
    MakeFolder("F:\\WQuarnel");

    EXPECT_EQ(Engine().LocateFolder("WQuarnel"), "");
    EXPECT_THAT(ErrorTexts(), ElementsAre(kNotFound));
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_EQ(Browsers()[0].text, "");
}

TEST_F(ProductLocationTest, ChosenFolderIsReplacedByTheFolderOfThatNameBesideIt) {
    AddDrive('D', platform::DriveType::Fixed);
    MakeFolder("D:\\Apps\\WQuarnel");
    Ui().QueueFolder("D:\\Apps");             // D:\WQuarnel does not exist: asked again
    Ui().QueueFolder("D:\\Apps\\WQuarnel\\"); // the folder itself

    EXPECT_EQ(Engine().LocateFolder("WQuarnel"), "D:\\Apps\\WQuarnel");
    EXPECT_THAT(ErrorTexts(), ElementsAre(kNotFound, kNotFound));
    ASSERT_EQ(Browsers().size(), 2u);
    EXPECT_EQ(Browsers()[1].text, "D:\\WQuarnel"); // the last attempt is preselected
}

TEST_F(ProductLocationTest, CancellingAfterAFailedChoiceGivesThatChoice) {
    Ui().QueueFolder("C:\\Apps");
    Ui().QueueFolder(std::nullopt);

    EXPECT_EQ(Engine().LocateFolder("WQuarnel"), "C:\\WQuarnel");
    EXPECT_EQ(Browsers().size(), 2u);
}

TEST_F(ProductLocationTest, ExistingProgramIsTakenWithoutAsking) {
    WriteFile("C:\\NVX\\NVX.exe", "programme");

    EXPECT_EQ(Engine().AskForProgramFile("C:\\NVX\\NVX.exe"), "C:\\NVX\\NVX.exe");
    EXPECT_THAT(Ui().Dialogs(), IsEmpty());
}

TEST_F(ProductLocationTest, MissingProgramIsAskedFor) {
    Ui().QueueFile("C:\\Ailleurs\\NVX.exe");

    EXPECT_EQ(Engine().AskForProgramFile("C:\\NVX\\NVX.exe"), "C:\\Ailleurs\\NVX.exe");
    EXPECT_THAT(ErrorTexts(), ElementsAre("Programme C:\\NVX\\NVX.exe pas trouvé. Veuillez indiquer son emplacement."));
}

TEST_F(ProductLocationTest, CancelledProgramDialogGivesEmptyText) {
    Ui().QueueFile(std::nullopt);

    EXPECT_EQ(Engine().AskForProgramFile("C:\\NVX\\NVX.exe"), "");
}

} // namespace
} // namespace enginetest
