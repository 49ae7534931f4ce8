#include "update/package/PackedName.h"

#include "platform/text/Text.h"
#include "update/package/PackageError.h"

namespace update::package {

namespace {

std::optional<std::string> ElementFault(std::string_view element) {
    if (element.empty()) {
        return "un élément du chemin est vide";
    }
    if (element == "." || element == "..") {
        return "les éléments « . » et « .. » sont refusés";
    }
    if (element.back() == '.' || element.back() == ' ') {
        return "un élément du chemin se termine par un point ou une espace";
    }
    return std::nullopt;
}

std::optional<std::string> CharacterFault(unsigned char c) {
    if (c < 0x20 || c == 0x7F) {
        return "les caractères de contrôle sont refusés";
    }
    switch (c) {
    case '/':
        return "la barre oblique est refusée, les sous-dossiers s'écrivent avec « \\ »";
    case ':':
        return "un nom de lecteur ou le caractère « : » est refusé";
    case '<':
    case '>':
    case '"':
    case '|':
    case '?':
    case '*':
        return std::string("le caractère « ") + static_cast<char>(c) + " » est refusé";
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> PackedNameFault(std::string_view name) {
    if (name.empty()) {
        return "le nom est vide";
    }
    if (!platform::text::IsValidUtf8(name)) {
        return "le nom n'est pas un texte UTF-8 valide";
    }
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < name.size();) {
        platform::text::DecodeUtf8(name, pos);
        ++characters;
    }
    if (characters > kMaxPackedNameLength) {
        return "le nom dépasse " + std::to_string(kMaxPackedNameLength) + " caractères";
    }
    if (name.front() == '\\' || name.front() == '/') {
        return "un chemin absolu est refusé";
    }
    for (unsigned char c : name) {
        if (auto fault = CharacterFault(c)) {
            return fault;
        }
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = name.find('\\', start);
        if (auto fault = ElementFault(name.substr(start, end == std::string_view::npos ? end : end - start))) {
            return fault;
        }
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        start = end + 1;
    }
}

std::string NormalizePackedName(std::string_view name) {
    if (auto fault = PackedNameFault(name)) {
        throw RefusedName(name, *fault);
    }
    return platform::text::ToUpper(name);
}

} // namespace update::package
