#include "environment/Shell.h"

#include "MachineFixture.h"
#include "environment/ButtonPanel.h"

namespace {

class ShellTest : public MachineTest {};

TEST_F(ShellTest, BrowseForFolderCancelledLeavesTheFolderUntouched) {
    std::string folder = "C:\\Apps\\";
    Ui().QueueFolder(std::nullopt);
    EXPECT_FALSE(BrowseForFolder("Où est installé le programme ?", 7, folder,
                                 ui::kBifReturnOnlyFsDirs | ui::kBifStatusText | ui::kBifValidate, ""));
    EXPECT_EQ(folder, "C:\\Apps\\");
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_EQ(Ui().Dialogs()[0].text, "C:\\Apps\\"); // preselected
}

TEST_F(ShellTest, BrowseForFolderConfirmedReplacesTheFolderAndAddsTheNewDialogStyle) {
    struct Recording : ui::ScriptedUi {
        ui::FolderRequest last;
        std::optional<std::string> BrowseForFolder(const ui::FolderRequest& request) override {
            last = request;
            return std::string("D:\\Programmes\\Veltrane");
        }
    };
    auto owned = std::make_unique<Recording>();
    Recording* recording = owned.get();
    ui::SetCurrent(std::move(owned));
    std::string folder = "C:\\";
    EXPECT_TRUE(BrowseForFolder("Titre", 42, folder, ui::kBifValidate, "D:\\"));
    EXPECT_EQ(folder, "D:\\Programmes\\Veltrane");
    EXPECT_EQ(recording->last.title, "Titre");
    EXPECT_EQ(recording->last.owner, 42U);
    EXPECT_EQ(recording->last.startFolder, "C:\\");
    EXPECT_EQ(recording->last.flags, ui::kBifValidate | ui::kBifNewDialogStyle);
    EXPECT_EQ(recording->last.root, "D:\\");
}

TEST_F(ShellTest, ListDriveLettersGivesTheDrivesInOrderUpperCase) {
    EXPECT_EQ(ListDriveLetters(), "C");
    ChangeMachine([&](platform::MachineSettings& s) {
        s.drives.push_back({'D', Root() / "d", platform::DriveType::CdRom, "CDFS", std::nullopt});
        s.drives.push_back({'Z', Root() / "z", platform::DriveType::Remote, "NTFS", std::nullopt});
    });
    EXPECT_EQ(ListDriveLetters(), "CDZ");
}

PanelControl Button(int left, int width, int height, bool visible = true,
                    PanelControlKind kind = PanelControlKind::PushButton) {
    return {kind, visible, left, 3, width, height, false};
}

TEST(ArrangePanelButtons, RightAlignsVisibleButtonsInTheirOrder) {
    ButtonPanel panel{400,
                      60,
                      {Button(200, 75, 25), Button(10, 75, 25), Button(50, 60, 25, false),
                       Button(120, 30, 25, true, PanelControlKind::SpeedButton),
                       Button(0, 100, 20, true, PanelControlKind::Other)}};
    ArrangePanelButtons(panel);
    EXPECT_EQ(panel.clientHeight, 45); // 25 + 2 * 10
    // Order by left: [1] at 10, [3] at 120, [0] at 200; placed from the right edge, 10 apart.
    EXPECT_EQ(panel.controls[0].left, 400 - 10 - 75);
    EXPECT_EQ(panel.controls[3].left, 315 - 10 - 30);
    EXPECT_EQ(panel.controls[1].left, 275 - 10 - 75);
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(panel.controls[i].top, 10) << i;
        EXPECT_TRUE(panel.controls[i].anchoredRightBottom) << i;
    }
    // The hidden button and the other control keep their place.
    EXPECT_EQ(panel.controls[2].left, 50);
    EXPECT_EQ(panel.controls[2].top, 3);
    EXPECT_FALSE(panel.controls[2].anchoredRightBottom);
    EXPECT_EQ(panel.controls[4].left, 0);
}

TEST(ArrangePanelButtons, TakesTheHeightOfTheRightMostButtonForAll) {
    ButtonPanel panel{300, 10, {Button(0, 80, 23), Button(100, 80, 31)}};
    ArrangePanelButtons(panel);
    EXPECT_EQ(panel.clientHeight, 31 + 2 * 12); // 31 * 10 / 25 = 12
    EXPECT_EQ(panel.controls[0].height, 31);
    EXPECT_EQ(panel.controls[1].left, 300 - 12 - 80);
}

TEST(ArrangePanelButtons, PanelWithoutVisibleButtonsKeepsItsHeight) {
    ButtonPanel panel{300, 37, {Button(0, 80, 23, false), Button(0, 10, 10, true, PanelControlKind::Other)}};
    ArrangePanelButtons(panel);
    EXPECT_EQ(panel.clientHeight, 37);
    EXPECT_EQ(panel.controls[0].left, 0);
}

} // namespace
