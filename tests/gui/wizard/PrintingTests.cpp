// Printing the report and the list of changes: the printer set-up dialog first, then the
// document on the chosen printer, here a PDF file.

#include "WizardTestSupport.h"
#include "wizard/Printing.h"
#include "wizard/RichTextView.h"

#include <QPrinter>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace wizardtest {
namespace {

class PrintingTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        FPdf = FTemp.Path() / "printed.pdf";
        QPrinter& printer = wizard::CurrentPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(FPdf.string()));
    }

    // The text of the PDF as pdftotext reads it, or nothing when the tool is missing.
    std::optional<std::string> PdfText() const {
        if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
            return std::nullopt;
        const std::filesystem::path text = FTemp.Path() / "printed.txt";
        const std::string command = "pdftotext -enc UTF-8 '" + FPdf.string() + "' '" + text.string() + "'";
        if (std::system(command.c_str()) != 0)
            return std::string();
        std::ostringstream content;
        content << std::ifstream(text).rdbuf();
        return content.str();
    }

    std::filesystem::path FPdf;
};

TEST_F(PrintingTest, ReportPrintsToPdfAfterTheSetUpDialog) {
    wizard::TfrmEndInstall page;
    page.RichEditReport()->AppendLine("Mise à jour : Quarnel Orbel  07.03.2026 09:05:04\r\n", 10);
    page.RichEditReport()->AppendLine("Copie de C:\\Temp\\Update42.tmp");
    page.RichEditReport()->AppendLine("\r\nLa mise à jour est terminée avec succès.", 10);
    Ui().QueuePrinterSetup(true);
    page.SpeedButtonPrint()->click();

    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].type, ui::DialogType::PrinterSetup);
    EXPECT_EQ(wizard::CurrentPrinter().docName(), QStringLiteral("Update report"));
    ASSERT_TRUE(std::filesystem::exists(FPdf));
    EXPECT_GT(std::filesystem::file_size(FPdf), 0u);
    std::ostringstream bytes;
    bytes << std::ifstream(FPdf, std::ios::binary).rdbuf();
    EXPECT_EQ(bytes.str().rfind("%PDF-", 0), 0u);
    if (const std::optional<std::string> text = PdfText()) {
        EXPECT_NE(text->find("Mise à jour : Quarnel Orbel"), std::string::npos) << *text;
        EXPECT_NE(text->find("Copie de C:\\Temp\\Update42.tmp"), std::string::npos) << *text;
        EXPECT_NE(text->find("La mise à jour est terminée avec succès."), std::string::npos) << *text;
    }
}

TEST_F(PrintingTest, ListOfChangesPrintsUnderItsHeading) {
    wizard::TfrmDisplayFile page;
    page.RichEditFile()->SetText("Nouveautés de la version");
    Ui().QueuePrinterSetup(true);
    page.SpeedButtonPrint()->click();
    EXPECT_EQ(wizard::CurrentPrinter().docName(), QStringLiteral("La liste des modifications"));
    ASSERT_TRUE(std::filesystem::exists(FPdf));
    EXPECT_GT(std::filesystem::file_size(FPdf), 0u);
}

TEST_F(PrintingTest, CancelledSetUpPrintsNothing) {
    wizard::TfrmEndInstall page;
    page.RichEditReport()->AppendLine("line");
    Ui().QueuePrinterSetup(false);
    page.SpeedButtonPrint()->click();
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(FPdf));
}

} // namespace
} // namespace wizardtest
