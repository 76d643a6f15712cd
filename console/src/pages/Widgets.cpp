#include "pages/Widgets.h"

#include "LocaleFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QTimeEdit>

#include <algorithm>

namespace kasmon::kit {

namespace {

template <typename W> W* placed(W* widget, const QString& name, const QRect& place) {
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

// Keeps a title note at the right end of its group's title row, and room for
// the title and the note in the group's layout.
class TitleNote final : public QObject {
  public:
    TitleNote(QGroupBox* group, QLabel* note) : QObject(group), group_(group), note_(note) {
        room_ = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
        if (auto* grid = qobject_cast<QGridLayout*>(group->layout())) {
            grid->addItem(room_, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
        } else if (auto* box = qobject_cast<QBoxLayout*>(group->layout())) {
            box->addItem(room_);
        }
        group->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::Polish:
            fit();
            break;
        case QEvent::Resize:
        case QEvent::Show:
            place();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    static constexpr int kGap = 8;

    void fit() {
        const int title = group_->fontMetrics().horizontalAdvance(group_->title());
        const int width = kGap + title + kGap + note_->sizeHint().width() + kGap;
        if (room_->sizeHint().width() != width) {
            room_->changeSize(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
            if (group_->layout() != nullptr) {
                group_->layout()->invalidate();
            }
        }
        place();
    }

    void place() {
        const QSize size = note_->sizeHint();
        note_->setGeometry(group_->width() - size.width() - kGap, 0, size.width(), size.height());
    }

    QGroupBox* group_;
    QLabel* note_;
    QSpacerItem* room_;
};

// The place of a check box or radio button, high enough for its mark; an
// empty place is left to a layout.
QRect markPlace(const QRect& place) {
    if (place.isNull()) {
        return place;
    }
    return {place.topLeft(), QSize(place.width(), std::max(place.height(), kCheckHeight))};
}

} // namespace

void titleNote(QGroupBox* group, QLabel* note) {
    new TitleNote(group, note);
}

QGroupBox* group(QWidget* parent, const QString& name, const QString& title, const QRect& place) {
    return placed(new QGroupBox(title, parent), name, place);
}

QGridLayout* grid(QWidget* holder) {
    auto* layout = new QGridLayout(holder);
    const bool group = qobject_cast<QGroupBox*>(holder) != nullptr;
    layout->setContentsMargins(group ? 6 : 0, group ? 2 : 0, group ? 6 : 0, group ? 4 : 0);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(2);
    return layout;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool leftOver) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(4);
    for (QWidget* w : widgets) {
        layout->addWidget(w);
    }
    if (leftOver) {
        layout->addStretch();
    }
    return layout;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, width, kLabelHeight);
    return l;
}

void labelLines(QWidget* parent, const QString& text, int x, int y, int width, int step) {
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        label(parent, line, x, y, width)->resize(width, std::min(step, kLabelHeight));
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
    return placed(new QCheckBox(text, parent), name, markPlace(place));
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    return placed(new QRadioButton(text, parent), name, markPlace(place));
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
