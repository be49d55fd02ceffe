// The Translations window: one row per macro, one column per language, each cell the start
// of that language's text (the whole text as a tool tip) or a mark where it is missing. The
// basis group's macros follow, shared by all languages. It shows a plain record that its
// owner fills, and tells the owner what the author asked for.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <memory>

namespace Ui {
class CTranslationsDlg;
}

struct TranslationsData {
    QStringList languages;
    struct Row {
        QString name;
        bool shared = false; // a basis-group macro: one text, for every language
        QStringList texts;   // per language (shared: one)
        QList<bool> present; // whether each text exists
        bool operator==(const Row& o) const {
            return name == o.name && shared == o.shared && texts == o.texts && present == o.present;
        }
    };
    QList<Row> rows;
    bool operator==(const TranslationsData& o) const {
        return languages == o.languages && rows == o.rows;
    }
};

class CTranslationsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTranslationsDlg(QWidget* parent);
    ~CTranslationsDlg() override;

    // Shows `data`, keeping the filter and, when it is still there, the current cell. The
    // same data as shown changes nothing (a click that brings the window to the front
    // stays a click on its cell).
    void SetData(const TranslationsData& data);
    const TranslationsData& Data() const { return data_; }
    // Whether the row is shown under the filter (rows with a missing text only).
    bool RowShown(int row) const;

signals:
    // A double click or Enter on a cell: `language` indexes Data().languages (-1: shared).
    void OpenMacro(const QString& name, int language);
    void ExportPo();
    void ImportPo();
    // The window came to the front: its owner fills it again from the macro bases.
    void Refresh();

protected:
    bool event(QEvent* event) override;

private:
    void Fill();
    void Filter();
    void Activated(int row, int column);

    std::unique_ptr<Ui::CTranslationsDlg> ui_;
    TranslationsData data_;
};
