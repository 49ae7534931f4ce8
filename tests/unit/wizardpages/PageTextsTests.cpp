// The window's texts that are composed rather than quoted.

#include "wizard/pages/PageTexts.h"

#include <gtest/gtest.h>

namespace {

using namespace wizard::pages;

TEST(PageTexts, WelcomeInfoNamesThePackageAndEndsWithTheExtraText) {
    EXPECT_EQ(WelcomeInfoText("Quarnel Orbel 4.2", "Version du 7 mars.\r\n"),
              "Cet assistant va mettre à jour Quarnel Orbel 4.2.\r\n\r\nAucune donnée existante ne sera supprimée."
              "\r\n\r\nVersion du 7 mars.\r\n");
    // No title: "?"; no extra text: the two line breaks stay.
    EXPECT_EQ(WelcomeInfoText("", ""),
              "Cet assistant va mettre à jour ?.\r\n\r\nAucune donnée existante ne sera supprimée.\r\n\r\n");
}

TEST(PageTexts, NextCaptionAndPrintTitlePerPage) {
    EXPECT_EQ(NextCaption(PageKind::Welcome), "Suivant >");
    EXPECT_EQ(NextCaption(PageKind::Extra), "Suivant >");
    EXPECT_EQ(NextCaption(PageKind::Changes), "Démarrer");
    EXPECT_EQ(NextCaption(PageKind::Report), "Quitter");
    EXPECT_EQ(PrintTitle(PageKind::Changes), "La liste des modifications");
    EXPECT_EQ(PrintTitle(PageKind::Report), "Update report");
    EXPECT_EQ(VersionCaption("4.2.0.17"), "Version : 4.2.0.17");
}

} // namespace
