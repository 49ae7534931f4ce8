#include "wizard/pages/ConnectionForm.h"

namespace wizard::pages {

ConnectionFieldsOpen FieldsOpenFor(ConnectionChoice choice) {
    ConnectionFieldsOpen open;
    open.dbFile = choice == ConnectionChoice::Local;
    open.address = choice == ConnectionChoice::Tcp;
    open.servFile = choice == ConnectionChoice::Tcp;
    open.otherDbFile = choice == ConnectionChoice::Other;
    return open;
}

ui::FileOpenRequest DatabaseFileRequest(std::string_view currentText) {
    ui::FileOpenRequest request;
    request.title = "Ouvrir";
    // Windows matches extensions without regard to case; the host's file dialog does not.
    request.filter = "Bases de données Firebird|*.FDB;*.fdb";
    const std::size_t backslash = currentText.rfind('\\');
    if (backslash != std::string_view::npos)
        request.initialFolder = std::string(currentText.substr(0, backslash + 1));
    return request;
}

} // namespace wizard::pages
