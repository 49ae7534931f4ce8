#include "environment/FailureHelpers.h"

#include "MachineFixture.h"
#include "environment/Errors.h"
#include "environment/SystemNames.h"

namespace {

const std::string kFileNotFound = "Le fichier spécifié est introuvable.\r\n";
const std::string kAccessDenied = "Accès refusé.\r\n";

class FailureHelpersTest : public MachineTest {};

TEST_F(FailureHelpersTest, SystemErrorTextOfAnUnknownCodeGivesTheNumber) {
    EXPECT_EQ(SystemErrorText(987654), "code : 987654");
    EXPECT_EQ(SystemErrorText(2), kFileNotFound);
}

TEST_F(FailureHelpersTest, RaiseCopyFailedCarriesBothNamesAndTheSystemText) {
    platform::SetLastError(5);
    try {
        RaiseCopyFailed("C:\\Temp\\a.tmp", "C:\\Apps\\a.exe");
        FAIL() << "no error raised";
    } catch (const EAbort&) {
        FAIL() << "must not be silent";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Ne peut pas copier le fichier :\r\nC:\\Temp\\a.tmp\r\nDestination :\r\n"
                                         "C:\\Apps\\a.exe\r\n" +
                                             kAccessDenied);
    }
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(FailureHelpersTest, RaiseDeleteFailedCarriesTheNameAndTheSystemText) {
    platform::SetLastError(2);
    try {
        RaiseDeleteFailed("C:\\Apps\\a.exe");
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Ne peut pas supprimer le fichier :\r\nC:\\Apps\\a.exe\r\n" + kFileNotFound);
    }
}

TEST_F(FailureHelpersTest, FailAttributesShowsTheErrorThenAbortsSilently) {
    platform::SetLastError(5);
    EXPECT_THROW(FailAttributes("C:\\Apps\\a.exe"), EAbort);
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_EQ(Ui().Dialogs()[0].caption, "Erreur");
    EXPECT_EQ(Ui().Dialogs()[0].text,
              "Ne peut pas modifier les attributs du fichier : \r\nC:\\Apps\\a.exe\r\n" + kAccessDenied);
}

TEST_F(FailureHelpersTest, FailWithLastErrorShowsTheMessageAndAbortsWithTheSilentMessage) {
    platform::SetLastError(2);
    try {
        FailWithLastError("Lecture impossible");
        FAIL() << "no error raised";
    } catch (const EAbort& e) {
        EXPECT_EQ(std::string(e.what()), "Opération abandonnée");
    }
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Lecture impossible\r\n" + kFileNotFound);
    EXPECT_EQ(Ui().Beeps().size(), 1U);
}

class SystemNamesTest : public MachineTest {};

TEST_F(SystemNamesTest, ComputerNameOfTheMachine) {
    ChangeMachine([](platform::MachineSettings& s) { s.computerName = "POSTE-12"; });
    EXPECT_EQ(GetComputerNameText(), "POSTE-12");
}

TEST_F(SystemNamesTest, ComputerNameTooLongForTheBufferFailsWithItsCode) {
    ChangeMachine([](platform::MachineSettings& s) { s.computerName = "POSTE-DE-COMPTABILITE"; });
    EXPECT_THROW(GetComputerNameText(), EAbort);
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_EQ(Ui().Dialogs()[0].text, "GetComputerName 111\r\nLe nom du fichier est trop long.\r\n");
}

TEST_F(SystemNamesTest, NobodyLoggedOnGivesQuestionMark) {
    ChangeMachine([](platform::MachineSettings& s) {
        s.computerName.clear();
        s.userName.clear();
    });
    EXPECT_EQ(GetComputerNameText(), "?");
    EXPECT_EQ(GetUserNameText(), "?");
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(SystemNamesTest, UserNameOfTheMachineOrEmptyWhenTooLong) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName = "Élodie"; });
    EXPECT_EQ(GetUserNameText(), "Élodie");
    ChangeMachine([](platform::MachineSettings& s) { s.userName = std::string(80, 'u'); });
    EXPECT_EQ(GetUserNameText(), "");
    ChangeMachine([](platform::MachineSettings& s) { s.userName = std::string(79, 'u'); });
    EXPECT_EQ(GetUserNameText(), std::string(79, 'u'));
}

} // namespace
