#include "ui/ScriptedUi.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using ui::Button;
using ui::ButtonSet;
using ui::DialogKind;
using ui::DialogType;
using ui::ScriptedUi;

TEST(ScriptedUi, QueuedAnswersAreTakenInOrderAndRecorded) {
    ScriptedUi services;
    services.QueueAnswer(Button::Yes);
    services.QueueAnswer(Button::No);
    EXPECT_EQ(services.ShowMessageBox(DialogKind::Confirmation, "Confirmer", "Remplacer ?", ButtonSet::YesNo()),
              Button::Yes);
    EXPECT_EQ(services.ShowMessageBox(DialogKind::Warning, "Avertissement", "Continuer ?", ButtonSet::YesNo()),
              Button::No);
    ASSERT_EQ(services.Dialogs().size(), 2U);
    const ui::DialogRecord& first = services.Dialogs()[0];
    EXPECT_EQ(first.type, DialogType::Message);
    EXPECT_EQ(first.kind, DialogKind::Confirmation);
    EXPECT_EQ(first.caption, "Confirmer");
    EXPECT_EQ(first.text, "Remplacer ?");
    EXPECT_EQ(first.buttons, ButtonSet::YesNo());
    EXPECT_EQ(first.answer, "Yes");
    EXPECT_EQ(services.Dialogs()[1].answer, "No");
}

TEST(ScriptedUi, WithoutQueuedAnswerQuestionsGetTheDefaultAndMessagesOk) {
    ScriptedUi services;
    EXPECT_EQ(services.ShowMessageBox(DialogKind::Warning, "Avertissement", "?", ButtonSet::YesNo()), Button::No);
    EXPECT_EQ(services.ShowMessageBox(DialogKind::Error, "Erreur", "!", ButtonSet::Ok()), Button::Ok);
    services.SetDefaultAnswer(Button::Yes);
    EXPECT_EQ(services.ShowMessageBox(DialogKind::Warning, "Avertissement", "?", ButtonSet::YesNo()), Button::Yes);
}

TEST(ScriptedUi, AnAnswerThatIsNotAButtonOfTheDialogIsAScriptError) {
    ScriptedUi services;
    services.QueueAnswer(Button::Yes);
    EXPECT_THROW(services.ShowMessageBox(DialogKind::Error, "Erreur", "x", ButtonSet::Ok()), std::logic_error);
}

TEST(ScriptedUi, SilentFlavourAnswersFixedAndWritesMessages) {
    std::ostringstream out;
    auto services = ScriptedUi::Silent(out, true);
    services->QueueAnswer(Button::No); // ignored: unattended runs take the fixed answer
    EXPECT_EQ(services->ShowMessageBox(DialogKind::Warning, "Avertissement", "Ligne 1\r\nLigne 2", ButtonSet::YesNo()),
              Button::Yes);
    services->ShowPlainMessage("Texte seul");
    services->ShowCaptionedError("Titre", "DataSet NOT RELEASED !\r\n");
    // A question is followed by the answer it was given; a message is not.
    EXPECT_EQ(out.str(), "Avertissement : Ligne 1\nLigne 2\nRéponse donnée : Oui\nTexte seul\nTitre : DataSet NOT "
                         "RELEASED !\n\n");

    std::ostringstream outNo;
    auto noServices = ScriptedUi::Silent(outNo);
    EXPECT_EQ(noServices->ShowMessageBox(DialogKind::Confirmation, "Confirmer", "?", ButtonSet::YesNo()), Button::No);
    EXPECT_EQ(noServices->ShowMessageBox(DialogKind::Error, "Erreur", "Échec", ButtonSet::Ok()), Button::Ok);
    EXPECT_EQ(outNo.str(), "Confirmer : ?\nRéponse donnée : Non\nErreur : Échec\n");
}

TEST(ScriptedUi, RecordsTheErrorBoxesWithTheirType) {
    ScriptedUi services;
    services.ShowCaptionedError("IBQuery1", "DataSet NOT RELEASED !\r\n");
    services.ShowSystemErrorBox("Erreur système.  Code : 5.\r\nAccès refusé.\r\n");
    services.ShowPlainMessage("Une erreur s'est produite");
    ASSERT_EQ(services.Dialogs().size(), 3U);
    EXPECT_EQ(services.Dialogs()[0].type, DialogType::CaptionedError);
    EXPECT_EQ(services.Dialogs()[0].caption, "IBQuery1");
    EXPECT_EQ(services.Dialogs()[1].type, DialogType::SystemError);
    EXPECT_EQ(services.Dialogs()[1].text, "Erreur système.  Code : 5.\r\nAccès refusé.\r\n");
    EXPECT_EQ(services.Dialogs()[2].type, DialogType::PlainMessage);
    EXPECT_EQ(services.Dialogs()[2].answer, "OK");
}

TEST(ScriptedUi, SilentFlavourCancelsFolderFileAndPrinterDialogs) {
    std::ostringstream out;
    auto services = ScriptedUi::Silent(out);
    services->QueueFolder("C:\\Apps\\");
    services->QueueFile("C:\\A.exe");
    services->QueuePrinterSetup(true);
    EXPECT_FALSE(services->BrowseForFolder({"Choisir", 0, "C:\\", 0, ""}).has_value());
    EXPECT_FALSE(services->OpenFile({}).has_value());
    EXPECT_FALSE(services->PrinterSetup());
}

TEST(ScriptedUi, FolderFileAndPrinterAnswersComeFromTheirOwnQueues) {
    ScriptedUi services;
    services.QueueFile("C:\\Apps\\Veltrane.exe");
    services.QueueFolder(std::nullopt);
    services.QueueFolder("C:\\Apps\\");
    services.QueuePrinterSetup(true);
    services.QueueAnswer(Button::Yes);
    EXPECT_FALSE(services.BrowseForFolder({"Choisir", 3, "D:\\", ui::kBifValidate, ""}).has_value());
    EXPECT_EQ(services.BrowseForFolder({}).value(), "C:\\Apps\\");
    EXPECT_EQ(services.OpenFile({}).value(), "C:\\Apps\\Veltrane.exe");
    EXPECT_TRUE(services.PrinterSetup());
    EXPECT_FALSE(services.PrinterSetup());
    EXPECT_FALSE(services.OpenFile({}).has_value());
    ASSERT_EQ(services.Dialogs().size(), 6U);
    EXPECT_EQ(services.Dialogs()[0].type, DialogType::FolderBrowser);
    EXPECT_EQ(services.Dialogs()[0].caption, "Choisir");
    EXPECT_EQ(services.Dialogs()[0].text, "D:\\");
    EXPECT_EQ(services.Dialogs()[0].answer, "");
    EXPECT_EQ(services.Dialogs()[1].answer, "C:\\Apps\\");
    EXPECT_EQ(services.Dialogs()[2].type, DialogType::FileOpen);
}

TEST(ScriptedUi, CountsBeepsCursorChangesAndMessageTurns) {
    ScriptedUi services;
    int delivered = 0;
    services.SetMessageHandler([&] { ++delivered; });
    services.MessageBeep(ui::BeepType::IconExclamation);
    services.SetCursor(ui::Cursor::HourGlass);
    services.SetCursor(ui::Cursor::Default);
    services.ProcessMessages();
    services.ProcessMessages();
    EXPECT_EQ(services.Beeps(), std::vector<ui::BeepType>{ui::BeepType::IconExclamation});
    EXPECT_EQ(services.CursorChanges(), (std::vector<ui::Cursor>{ui::Cursor::HourGlass, ui::Cursor::Default}));
    EXPECT_EQ(services.CurrentCursor(), ui::Cursor::Default);
    EXPECT_EQ(services.ProcessMessagesCount(), 2);
    EXPECT_EQ(delivered, 2);
}

TEST(ScriptedUi, TickSourceIsInjectable) {
    ScriptedUi services;
    std::uint32_t now = 0xFFFFFFF0U;
    services.SetTickSource([&] { return now += 5; });
    EXPECT_EQ(services.TickCount(), 0xFFFFFFF5U);
    EXPECT_EQ(services.TickCount(), 0xFFFFFFFAU);
}

TEST(PlainTextSink, JoinsLinesWithCrLfAndClears) {
    ui::PlainTextSink sink;
    sink.AppendLine("Mise à jour", 12);
    sink.AppendLine("");
    sink.AppendLine("Fin");
    EXPECT_EQ(sink.PlainText(), "Mise à jour\r\n\r\nFin");
    sink.Clear();
    EXPECT_EQ(sink.PlainText(), "");
    sink.AppendLine("Nouveau");
    EXPECT_EQ(sink.PlainText(), "Nouveau");
}

TEST(UiCurrent, DefaultsToScriptedAndCanBeReplaced) {
    auto own = std::make_unique<ScriptedUi>();
    ScriptedUi* raw = own.get();
    ui::SetCurrent(std::move(own));
    EXPECT_EQ(&ui::Current(), raw);
    ui::Current().MessageBeep(ui::BeepType::IconQuestion);
    EXPECT_EQ(raw->Beeps().size(), 1U);
    auto previous = ui::SetCurrent(nullptr);
    EXPECT_EQ(previous.get(), raw);
    EXPECT_NE(dynamic_cast<ScriptedUi*>(&ui::Current()), nullptr);
    EXPECT_NE(&ui::Current(), raw);
}

} // namespace
