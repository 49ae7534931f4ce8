#include "environment/Shell.h"

#include "platform/machine/Machine.h"

#include <cctype>

bool BrowseForFolder(std::string_view title, ui::WindowId owner, std::string& folder, unsigned flags,
                     std::string_view root) {
    ui::FolderRequest request{std::string(title), owner, folder, flags | ui::kBifNewDialogStyle, std::string(root)};
    std::optional<std::string> chosen = ui::Current().BrowseForFolder(request);
    if (!chosen)
        return false;
    folder = std::move(*chosen);
    return true;
}

std::string ListDriveLetters() {
    std::string letters;
    for (const platform::Drive& drive : platform::Machine::Current().Settings().drives) {
        const auto c = static_cast<unsigned char>(drive.letter);
        if (std::isalpha(c) != 0 && letters.size() < 26)
            letters += static_cast<char>(std::toupper(c));
    }
    return letters;
}
