#pragma once

// The printer that the printer set-up dialog edits and that the pages print on, as the one
// printer of a Windows program; and the printing of a rich-text control's content.

#include <QString>

class QPrinter;
class QTextDocument;

namespace wizard {

// Created on first use; lives until the program ends.
QPrinter& CurrentPrinter();

// Prints the whole document on `printer` as a print job named `title`.
void PrintDocument(const QTextDocument& document, QPrinter& printer, const QString& title);

// The printer set-up dialog (through the UI services); when the user confirms, prints the
// document on the current printer. Gives whether it printed.
bool SetUpAndPrint(const QTextDocument& document, const QString& title);

} // namespace wizard
