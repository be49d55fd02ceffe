#include "printing.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

namespace fw {

namespace {
void ApplyMargins(QPrinter& printer, const QMarginsF& thousandths) {
    // 1/1000 inch to millimetres.
    QMarginsF mm = thousandths * (25.4 / 1000.0);
    printer.setPageMargins(mm, QPageLayout::Millimeter);
}

// False when the printer cannot take the pages (no printer, an output file that cannot be
// written).
bool Render(QPrinter* printer, const QTextDocument& document) {
    if (!printer->isValid()) return false;
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->print(printer);
    return printer->printerState() != QPrinter::Error &&
           printer->printerState() != QPrinter::Aborted;
}
} // namespace

QPrinter& SharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool PrinterSettings(QWidget* parent) {
    QPrintDialog dialog(&SharedPrinter(), parent);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintDocument(QWidget* parent, const QTextDocument& document, const QMarginsF& margins,
                   bool ask) {
    QPrinter& printer = SharedPrinter();
    ApplyMargins(printer, margins);
    if (ask) {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
    }
    return Render(&printer, document);
}

void PrintPreview(QWidget* parent, const QTextDocument& document, const QMarginsF& margins) {
    QPrinter& printer = SharedPrinter();
    ApplyMargins(printer, margins);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&document](QPrinter* p) { Render(p, document); });
    dialog.exec();
}

} // namespace fw
