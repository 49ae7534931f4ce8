#include "wizard/Printing.h"

#include "ui/UiServices.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

namespace wizard {

namespace {

QPrinter* printer = nullptr;

void DeletePrinter() {
    delete printer;
    printer = nullptr;
}

} // namespace

QPrinter& CurrentPrinter() {
    // Shared by both pages and edited by the set-up dialog; it goes with the application object,
    // since a printer must not outlive the print system's connection.
    if (printer == nullptr) {
        printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(DeletePrinter);
    }
    return *printer;
}

void PrintDocument(const QTextDocument& document, QPrinter& printer, const QString& title) {
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("Mise à jour Quarnel"));
    // The control's document lays out for the screen; print a copy laid out for the page.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setMetaInformation(QTextDocument::DocumentTitle, title);
    copy->print(&printer);
}

bool SetUpAndPrint(const QTextDocument& document, const QString& title) {
    if (!ui::Current().PrinterSetup())
        return false;
    PrintDocument(document, CurrentPrinter(), title);
    return true;
}

} // namespace wizard
