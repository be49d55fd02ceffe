// Printing and print preview of a text, with margins in thousandths of an inch.
#pragma once

#include <QMarginsF>

class QPrinter;
class QTextDocument;
class QWidget;

namespace fw {

// The printer the editor prints with (its settings persist for the run).
QPrinter& SharedPrinter();
// Print Setup: the platform's printer dialog for the shared printer.
bool PrinterSettings(QWidget* parent);
// Prints `document` with the margins (left, top, right, bottom in 1/1000 inch). With
// `ask` the print dialog comes first. False when cancelled or nothing could be printed.
bool PrintDocument(QWidget* parent, const QTextDocument& document, const QMarginsF& margins,
                   bool ask);
// Print preview of `document` with the margins.
void PrintPreview(QWidget* parent, const QTextDocument& document, const QMarginsF& margins);

} // namespace fw
