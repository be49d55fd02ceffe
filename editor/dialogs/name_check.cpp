#include "name_check.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

const QString NameCheck::kMacroForbidden =
    QString::fromUtf8("#[]{}\"<>'!&%$\u00A7/\\*+~.:;,?|^\u00B0`\u00B4");
const QString NameCheck::kLanguageForbidden = QStringLiteral("\\/:*?\"<>|");
const QString NameCheck::kAutotagForbidden = QStringLiteral(":");

NameCheck::NameCheck(QLineEdit* edit, int maxLength, QString forbidden, QListWidget* list)
    : QObject(edit), edit_(edit), list_(list), maxLength_(maxLength),
      forbidden_(std::move(forbidden)), accepted_(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, &NameCheck::OnEdited);
}

bool NameCheck::Accepts(const QString& text) const {
    // Names end up as bytes in files: the limit counts UTF-8 bytes.
    if (text.toUtf8().size() > maxLength_) return false;
    for (QChar c : text) {
        if (forbidden_.contains(c)) return false;
    }
    return true;
}

void NameCheck::OnEdited(const QString& text) {
    if (list_ && !text.isEmpty()) {
        // The list's own prefix search: it starts after entry 0, whatever is selected, and
        // wraps around to entry 0 last.
        const int count = list_->count();
        for (int k = 1; k <= count; ++k) {
            const int row = k % count;
            if (list_->item(row)->text().startsWith(text, Qt::CaseInsensitive)) {
                list_->setCurrentRow(row);
                break;
            }
        }
    }
    if (Accepts(text)) {
        accepted_ = text;
        return;
    }
    QApplication::beep();
    const QSignalBlocker block(edit_);
    const int cursor = edit_->cursorPosition() - static_cast<int>(text.size() - accepted_.size());
    edit_->setText(accepted_);
    edit_->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(accepted_.size())));
}
