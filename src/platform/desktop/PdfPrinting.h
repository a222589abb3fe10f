#pragma once

#include <QString>

class QPrinter;

namespace platform {

// Prints pages fromPage..toPage (1-based; 0 for either means the first or
// last page) of a PDF file on a printer already set up (by the print
// dialog or by the caller): no margins, every page scaled to fit the paper
// and turned a quarter when its orientation differs from the paper's.
// Answers false, printing nothing, when the file cannot be read as a PDF.
bool printPdfFile(const QString &path, QPrinter &printer, int fromPage = 0, int toPage = 0);

} // namespace platform
