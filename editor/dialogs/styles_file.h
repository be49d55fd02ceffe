// The styles library: named text styles kept in an INI file ("styles.dat"), and the CSS
// texts made of one style.
//
// One section per style, "STYLE_0", "STYLE_1", ..., with the keys `Name`, `Del` ("0" for a
// live style, "1" for a deleted one) and the value keys of `Field` in that order. The live
// styles fill the sections from 0 on without a gap: the list ends at the first section
// whose Name is empty (or missing) or whose Del is nonzero, so a style's place in the list
// is its section number.
//
// The file is read as UTF-8 when it is valid UTF-8, else as Windows-1252, and written back
// in that encoding (as UTF-8 once it must hold a character Windows-1252 lacks). Every change is
// written in one replacement of the whole file (by the saving rule: the old file stays whole when
// the write fails), and a change that leaves the text as it was writes nothing.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <string>

namespace styles {

// The values of a style, in the order of their keys in a section (which is also the order
// of the declarations). Each measured value is followed by its unit.
enum Field {
    FontFamily,
    FontStyle,
    FontWeight,
    Decoration,
    TextAlign,
    FontSize,
    FontSizeUnit,
    MarginRight,
    MarginRightUnit,
    MarginLeft,
    MarginLeftUnit,
    TextIndent,
    TextIndentUnit,
    LineHeight,
    LineHeightUnit,
    Background,
    Color,
    kFieldCount
};

// The longest value and name read back (longer ones are cut to this many characters).
constexpr int kValueMax = 255;
constexpr int kNameMax = 32;

// The key of a field in its section ("font-size-units"); also the CSS property of a value.
const char* FieldKey(int field);
// True for the five unit fields.
bool IsUnit(int field);

struct Style {
    Style(); // every unit "pt", everything else empty
    QString name;
    std::array<QString, kFieldCount> values;
};

// The declarations of a style: for each value that is not empty, in field order, the
// property, ": ", the value as typed, its unit for a measured value, and "; ". Empty when
// every value is empty.
QString BuildDeclarations(const Style& style);

// The five forms a style is inserted in: the bare declarations, a declaration block, a
// SPAN or DIV element with a STYLE attribute around the selection, a STYLE element.
enum class Form { Declarations, Block, Span, Div, StyleSheet };
struct Insertion {
    QString opening;
    QString closing;
};
Insertion MakeInsertion(Form form, const Style& style);

// The colour a colour text "#RRGGBB" stands for, as 0xBBGGRR (red in the low byte); 0
// (black) for an empty text or one that is not of that form.
unsigned ColorValue(const QString& text);

class StylesFile {
public:
    explicit StylesFile(QString path = {}) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }

    // The names of the live styles, each cut to kNameMax characters. Empty when the file
    // is missing or cannot be read.
    QStringList Names() const;
    // Fills `style` from section `n`; false (and `style` unchanged) for n < 0, a deleted
    // section, or a file that cannot be read. Missing units read as "pt".
    bool Load(int n, Style& style) const;
    // Writes `style` into section `n` as a live style (Del "0"). Line breaks in a value
    // are written as blanks. True for n < 0 (nothing to write); false when the file could
    // not be read or written (it is then unchanged).
    bool Save(int n, const Style& style) const;
    // Deletes style `selected` of `count` live styles by moving the last one into its
    // place and marking the last section deleted, in one write (the last style alone is
    // just marked). A `selected` below 0 only marks the last one. False (file unchanged)
    // when there is no live style or the file could not be read or written.
    bool Delete(int selected, int count) const;

private:
    bool Read(std::string& text) const;
    bool Write(const std::string& before, const std::string& after) const;

    QString path_;
};

} // namespace styles
