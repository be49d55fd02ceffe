// The number fields of the settings dialogs: an edit that takes only a whole number as it
// is typed; a field left empty keeps the value it was given.
#pragma once

#include <QIntValidator>
#include <QLineEdit>

namespace intfield {

inline void Show(QLineEdit* edit, int value) {
    if (!edit->validator()) edit->setValidator(new QIntValidator(edit));
    edit->setText(QString::number(value));
}

inline int Read(const QLineEdit* edit, int previous) {
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    return ok ? value : previous;
}

} // namespace intfield
