#include "update/richtext/RichTextControl.h"

#include "RichTextPrinters.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace update {
namespace {

CharFormat ReportFont() {
    CharFormat format;
    format.fontName = "MS Sans Serif";
    return format;
}

std::vector<double> SizesOf(const RichDocument& document) {
    std::vector<double> sizes;
    for (const Paragraph& paragraph : document.Paragraphs())
        sizes.push_back(paragraph.runs.empty() ? paragraph.markFormat.sizePoints
                                               : paragraph.runs.front().format.sizePoints);
    return sizes;
}

TEST(ModelRichTextControl, ASizeOnceSetContinuesForTheFollowingLines) {
    ModelRichTextControl report(ReportFont());
    report.AppendLine("avant");
    report.AppendLine("Mise à jour : Veltrane  10.12.2026 02:11:30\r\n", 10);
    report.AppendLine("Copie de C:\\Temp\\Update42.tmp");
    report.AppendLine("vers C:\\Quarnel\\VTPOrbel.exe\r\n");
    report.AppendLine("\r\nLa mise à jour est terminée avec succès.", 12);

    EXPECT_EQ(SizesOf(report.Document()), (std::vector<double>{0, 10, 10, 10, 10, 10, 12, 12}));
    for (const Paragraph& paragraph : report.Document().Paragraphs())
        EXPECT_EQ(paragraph.markFormat.fontName, "MS Sans Serif");
    EXPECT_EQ(report.InsertionFormat().sizePoints, 12);
}

TEST(ModelRichTextControl, AFontNameOnceSetContinuesAndAnEmptyOneKeeps) {
    ModelRichTextControl report(ReportFont());
    report.AppendLine("a", 0, "Arial");
    report.AppendLine("b", 9);
    report.AppendLine("c");
    const auto& paragraphs = report.Document().Paragraphs();
    ASSERT_EQ(paragraphs.size(), 3u);
    EXPECT_EQ(paragraphs[0].runs.front().format.fontName, "Arial");
    EXPECT_EQ(paragraphs[2].runs.front().format, paragraphs[1].runs.front().format);
    EXPECT_EQ(paragraphs[2].runs.front().format.fontName, "Arial");
    EXPECT_EQ(paragraphs[2].runs.front().format.sizePoints, 9);
}

struct AppendRow {
    const char* name;
    std::string text;
    std::vector<std::string> paragraphs;
};

class AppendLineRule : public testing::TestWithParam<AppendRow> {};

TEST_P(AppendLineRule, MakesOneParagraphPerLine) {
    const AppendRow& row = GetParam();
    ModelRichTextControl report;
    report.AppendLine(row.text);
    std::vector<std::string> texts;
    for (const Paragraph& paragraph : report.Document().Paragraphs())
        texts.push_back(paragraph.Text());
    EXPECT_EQ(texts, row.paragraphs);
    EXPECT_EQ(report.LineCount(), static_cast<int>(row.paragraphs.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AppendLineRule,
    testing::Values(AppendRow{"PlainLine", "Le fichier C:\\a.exe", {"Le fichier C:\\a.exe"}},
                    AppendRow{"EndingWithCrLfIsFollowedByAnEmptyLine",
                              "n'est pas remplacé !!!\r\n",
                              {"n'est pas remplacé !!!", ""}},
                    AppendRow{"LeadingCrLf", "\r\nLa mise à jour a échouée !", {"", "La mise à jour a échouée !"}},
                    AppendRow{"DoubleBreakInside",
                              "Accès refusé\r\n\r\nLa mise à jour a échouée !",
                              {"Accès refusé", "", "La mise à jour a échouée !"}},
                    AppendRow{"LoneLineFeedAndCarriageReturn", "a\nb\rc", {"a", "b", "c"}},
                    AppendRow{"EmptyTextIsAnEmptyLine", "", {""}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ModelRichTextControl, PlainTextReadsAsTheLinesWereWritten) {
    ModelRichTextControl report;
    report.AppendLine("Copie de a");
    report.AppendLine("vers b\r\n");
    report.AppendLine("Fichier c est supprimé.\r\n");
    EXPECT_EQ(report.PlainText(), "Copie de a\r\nvers b\r\n\r\nFichier c est supprimé.\r\n");
    EXPECT_EQ(report.LineCount(), 5);
}

TEST(ModelRichTextControl, FocusIsTakenOnlyWhenTheControlCanTakeIt) {
    ModelRichTextControl report;
    EXPECT_TRUE(report.CanFocus());
    EXPECT_FALSE(report.HasFocus());
    report.SetFocus();
    EXPECT_TRUE(report.HasFocus());

    report.SetCanFocus(false);
    EXPECT_FALSE(report.HasFocus());
    report.SetFocus();
    EXPECT_FALSE(report.HasFocus());
}

TEST(ModelRichTextControl, LoadingRtfReplacesTheContentAndCountsItsLines) {
    ModelRichTextControl changes;
    changes.AppendLine("ancien contenu");
    EXPECT_EQ(LoadRichText(changes, R"({\rtf1 Corrections\par\b Nouveau\b0  rapport\par})"), 2);
    EXPECT_EQ(changes.PlainText(), "Corrections\r\nNouveau rapport");
    EXPECT_EQ(LoadRichText(changes, ""), 0);
    EXPECT_EQ(changes.PlainText(), "");
    EXPECT_EQ(LoadRichText(changes, R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}{\*\generator x;}})"), 0);
}

TEST(ModelRichTextControl, AppendingAfterALoadedDocumentTakesTheFormatAtItsEnd) {
    ModelRichTextControl control(ReportFont());
    LoadRichText(control, R"({\rtf1{\fonttbl{\f0 Arial;}}\f0\fs20\b titre\par})");
    control.AppendLine("suite");
    const Paragraph& appended = control.Document().Paragraphs().back();
    ASSERT_EQ(appended.runs.size(), 1u);
    EXPECT_EQ(appended.runs.front().format, static_cast<CharFormat>(Fmt(10).Font("Arial").Bold()));

    control.Clear();
    control.AppendLine("après effacement");
    EXPECT_EQ(control.Document().Paragraphs().back().runs.front().format, ReportFont());
    EXPECT_EQ(control.LineCount(), 1);
}

TEST(ModelRichTextControl, SetTextReplacesTheContentWithPlainLines) {
    ModelRichTextControl changes(ReportFont());
    LoadRichText(changes, R"({\rtf1\b x})");
    changes.SetText("\r\nCette mise à jour comporte uniquement des corrections internes.");
    EXPECT_EQ(changes.LineCount(), 2);
    EXPECT_EQ(changes.PlainText(), "\r\nCette mise à jour comporte uniquement des corrections internes.");
    EXPECT_EQ(changes.Document().Paragraphs()[1].runs.front().format, ReportFont());
}

} // namespace
} // namespace update
