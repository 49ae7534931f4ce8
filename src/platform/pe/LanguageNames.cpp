#include "platform/pe/LanguageNames.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace platform {

namespace {

struct LanguageRow {
    std::uint16_t id;
    std::string_view name;
};

// Sorted by identifier.
constexpr std::array kLanguages{
    LanguageRow{0x0000, "Langue neutre"},
    LanguageRow{0x0007, "Allemand"},
    LanguageRow{0x0009, "Anglais"},
    LanguageRow{0x000A, "Espagnol"},
    LanguageRow{0x000C, "Français"},
    LanguageRow{0x0010, "Italien"},
    LanguageRow{0x0013, "Néerlandais"},
    LanguageRow{0x0016, "Portugais"},
    LanguageRow{0x0401, "Arabe (Arabie saoudite)"},
    LanguageRow{0x0402, "Bulgare (Bulgarie)"},
    LanguageRow{0x0403, "Catalan (Catalan)"},
    LanguageRow{0x0404, "Chinois (traditionnel, Taïwan)"},
    LanguageRow{0x0405, "Tchèque (Tchéquie)"},
    LanguageRow{0x0406, "Danois (Danemark)"},
    LanguageRow{0x0407, "Allemand (Allemagne)"},
    LanguageRow{0x0408, "Grec (Grèce)"},
    LanguageRow{0x0409, "Anglais (États-Unis)"},
    LanguageRow{0x040A, "Espagnol (Espagne, tri traditionnel)"},
    LanguageRow{0x040B, "Finnois (Finlande)"},
    LanguageRow{0x040C, "Français (France)"},
    LanguageRow{0x040D, "Hébreu (Israël)"},
    LanguageRow{0x040E, "Hongrois (Hongrie)"},
    LanguageRow{0x040F, "Islandais (Islande)"},
    LanguageRow{0x0410, "Italien (Italie)"},
    LanguageRow{0x0411, "Japonais (Japon)"},
    LanguageRow{0x0412, "Coréen (Corée)"},
    LanguageRow{0x0413, "Néerlandais (Pays-Bas)"},
    LanguageRow{0x0414, "Norvégien, bokmål (Norvège)"},
    LanguageRow{0x0415, "Polonais (Pologne)"},
    LanguageRow{0x0416, "Portugais (Brésil)"},
    LanguageRow{0x0417, "Romanche (Suisse)"},
    LanguageRow{0x0418, "Roumain (Roumanie)"},
    LanguageRow{0x0419, "Russe (Russie)"},
    LanguageRow{0x041A, "Croate (Croatie)"},
    LanguageRow{0x041B, "Slovaque (Slovaquie)"},
    LanguageRow{0x041C, "Albanais (Albanie)"},
    LanguageRow{0x041D, "Suédois (Suède)"},
    LanguageRow{0x041E, "Thaï (Thaïlande)"},
    LanguageRow{0x041F, "Turc (Turquie)"},
    LanguageRow{0x0420, "Ourdou (Pakistan)"},
    LanguageRow{0x0421, "Indonésien (Indonésie)"},
    LanguageRow{0x0422, "Ukrainien (Ukraine)"},
    LanguageRow{0x0424, "Slovène (Slovénie)"},
    LanguageRow{0x0425, "Estonien (Estonie)"},
    LanguageRow{0x0426, "Letton (Lettonie)"},
    LanguageRow{0x0427, "Lituanien (Lituanie)"},
    LanguageRow{0x042A, "Vietnamien (Vietnam)"},
    LanguageRow{0x0436, "Afrikaans (Afrique du Sud)"},
    LanguageRow{0x0804, "Chinois (simplifié, RPC)"},
    LanguageRow{0x0807, "Allemand (Suisse)"},
    LanguageRow{0x0809, "Anglais (Royaume-Uni)"},
    LanguageRow{0x080A, "Espagnol (Mexique)"},
    LanguageRow{0x080C, "Français (Belgique)"},
    LanguageRow{0x0810, "Italien (Suisse)"},
    LanguageRow{0x0813, "Néerlandais (Belgique)"},
    LanguageRow{0x0814, "Norvégien, nynorsk (Norvège)"},
    LanguageRow{0x0816, "Portugais (Portugal)"},
    LanguageRow{0x0C07, "Allemand (Autriche)"},
    LanguageRow{0x0C09, "Anglais (Australie)"},
    LanguageRow{0x0C0A, "Espagnol (Espagne, tri international)"},
    LanguageRow{0x0C0C, "Français (Canada)"},
    LanguageRow{0x1007, "Allemand (Luxembourg)"},
    LanguageRow{0x1009, "Anglais (Canada)"},
    LanguageRow{0x100C, "Français (Suisse)"},
    LanguageRow{0x1407, "Allemand (Liechtenstein)"},
    LanguageRow{0x1409, "Anglais (Nouvelle-Zélande)"},
    LanguageRow{0x140C, "Français (Luxembourg)"},
    LanguageRow{0x1809, "Anglais (Irlande)"},
    LanguageRow{0x180C, "Français (Monaco)"},
};

static_assert(std::is_sorted(kLanguages.begin(), kLanguages.end(),
                             [](const LanguageRow& a, const LanguageRow& b) { return a.id < b.id; }));

} // namespace

std::string LanguageName(std::uint16_t languageId) {
    const auto row = std::lower_bound(kLanguages.begin(), kLanguages.end(), languageId,
                                      [](const LanguageRow& r, std::uint16_t id) { return r.id < id; });
    if (row == kLanguages.end() || row->id != languageId)
        return "Langue inconnue";
    return std::string(row->name);
}

} // namespace platform
