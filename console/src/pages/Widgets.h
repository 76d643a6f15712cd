// The controls of the pages, made one way. Every control gets its objectName,
// "<page>.<control>" (e.g. "extra.lineFeed"), unique in the main window: tests
// and the enabled-controls check find controls by it. Geometry is the
// control's place in its parent; heights follow the window's usual sizes.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QHBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QWidget;

namespace kasmon::kit {

constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 24;
constexpr int kLabelHeight = 17;
// A check box or radio button: its mark and a line of text.
constexpr int kCheckHeight = 19;

QGroupBox* group(QWidget* parent, const QString& name, const QString& title, const QRect& place);
// The grid that lays out the controls of a group or page: a wider font moves
// the controls on instead of cutting their captions. Tight margins, as the
// window's own groups have.
QGridLayout* grid(QWidget* holder);
// The widgets side by side, the room left over after them (or, without
// `leftOver`, shared among them).
QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool leftOver = true);
// A note at the right end of a group's title row (the reminder of the password
// its commands need, for one): it keeps its place when the group's width
// changes, and the group is never narrower than its title and the note.
void titleNote(QGroupBox* group, QLabel* note);
// A caption; labels are not controls and carry no name.
QLabel* label(QWidget* parent, const QString& text, int x, int y, int width = 96);
// A caption of several lines ("\r\n" between them), one label a line, `step`
// pixels apart (a label is no higher than its step, so the lines never overlap).
void labelLines(QWidget* parent, const QString& text, int x, int y, int width,
                int step = kLabelHeight);
// A single-line edit; maxLength 0 leaves the toolkit's limit.
QLineEdit* edit(QWidget* parent, const QString& name, const QRect& place, int maxLength = 0,
                const QString& text = {});
QComboBox* list(QWidget* parent, const QString& name, const QRect& place, const QStringList& items,
                int current = 0);
QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& place);
// Check boxes and radio buttons are at least kCheckHeight high, whatever the place says.
QCheckBox* check(QWidget* parent, const QString& name, const QString& text, const QRect& place);
// One item of a choice; the items of one choice share a parent or a QButtonGroup.
QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, const QRect& place);
QPlainTextEdit* memo(QWidget* parent, const QString& name, const QRect& place);
QSpinBox* spin(QWidget* parent, const QString& name, const QRect& place, int minimum, int maximum,
               int value);
// Date and time pickers in the locale's short date and long time formats.
QDateEdit* datePicker(QWidget* parent, const QString& name, const QRect& place);
QTimeEdit* timePicker(QWidget* parent, const QString& name, const QRect& place);

// A place at (x, y) of the given width and the usual height of an edit or button.
inline QRect editAt(int x, int y, int width) {
    return {x, y, width, kEditHeight};
}
inline QRect buttonAt(int x, int y, int width) {
    return {x, y, width, kButtonHeight};
}

} // namespace kasmon::kit
