#include "pages/Widgets.h"

#include "LocaleFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>

namespace kasmon::kit {

namespace {

template <typename W> W* placed(W* widget, const QString& name, const QRect& place) {
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

} // namespace

QGroupBox* group(QWidget* parent, const QString& name, const QString& title, const QRect& place) {
    return placed(new QGroupBox(title, parent), name, place);
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, width, kLabelHeight);
    return l;
}

void labelLines(QWidget* parent, const QString& text, int x, int y, int width, int step) {
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        label(parent, line, x, y, width);
        y += step;
    }
}

QLineEdit* edit(QWidget* parent, const QString& name, const QRect& place, int maxLength,
                const QString& text) {
    auto* e = new QLineEdit(text, parent);
    if (maxLength > 0) {
        e->setMaxLength(maxLength);
    }
    return placed(e, name, place);
}

QComboBox* list(QWidget* parent, const QString& name, const QRect& place, const QStringList& items,
                int current) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setCurrentIndex(current);
    return placed(box, name, place);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    return placed(new QPushButton(text, parent), name, place);
}

QCheckBox* check(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    return placed(new QCheckBox(text, parent), name, place);
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    return placed(new QRadioButton(text, parent), name, place);
}

QPlainTextEdit* memo(QWidget* parent, const QString& name, const QRect& place) {
    return placed(new QPlainTextEdit(parent), name, place);
}

QSpinBox* spin(QWidget* parent, const QString& name, const QRect& place, int minimum, int maximum,
               int value) {
    auto* s = new QSpinBox(parent);
    s->setRange(minimum, maximum);
    s->setValue(value);
    return placed(s, name, place);
}

QDateEdit* datePicker(QWidget* parent, const QString& name, const QRect& place) {
    auto* d = new QDateEdit(parent);
    d->setDisplayFormat(LocaleFormat::current().shortDateFormat());
    return placed(d, name, place);
}

QTimeEdit* timePicker(QWidget* parent, const QString& name, const QRect& place) {
    auto* t = new QTimeEdit(parent);
    t->setDisplayFormat(LocaleFormat::current().longTimeFormat());
    return placed(t, name, place);
}

} // namespace kasmon::kit
