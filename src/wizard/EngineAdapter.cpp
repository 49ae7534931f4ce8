#include "wizard/EngineAdapter.h"

namespace wizard {

std::vector<std::string> EngineAdapter::LoadResourceFileList(std::string_view fileName) {
    std::vector<std::string> lines;
    FEngine.LoadResourceFileList(fileName, lines);
    return lines;
}

int EngineAdapter::LoadResourceFileToRich(std::string_view fileName, update::RichTextControl& control) {
    return FEngine.LoadResourceFileToRich(fileName, control);
}

std::optional<TUpdateResultType> EngineAdapter::RunUpdate(Tquar_AppNameType /*type*/) {
    // Types 1, 2 UpdateVeltrane; 3 UpdateMarlisk; 4 UpdateCorvath; 6 UpdateTessaro; 7 UpdateOrbel;
    // 8, 9 UpdateSuvanaFinance; 10 UpdateNVX; 12 UpdateCommon; 13 UpdateOndrak; the others none.
    // They come with the product procedures of the engine.
    return std::nullopt;
}

} // namespace wizard
