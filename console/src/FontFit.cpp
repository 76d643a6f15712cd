#include "FontFit.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kasmon {

namespace {

// Widgets that hold controls at places of their own: groups, frames and plain
// widgets. Anything else places its own parts.
bool holdsControls(const QWidget& w) {
    return qobject_cast<const QGroupBox*>(&w) != nullptr ||
           w.metaObject() == &QWidget::staticMetaObject ||
           w.metaObject() == &QFrame::staticMetaObject;
}

// The room a widget needs at the present font: its whole caption, or for a
// field its line of text; nothing when the font does not decide it.
std::optional<QSize> needed(const QWidget& w) {
    if (const auto* label = qobject_cast<const QLabel*>(&w)) {
        if (label->text().isEmpty()) {
            return std::nullopt; // a picture, or a value not yet shown
        }
        return label->sizeHint();
    }
    if (qobject_cast<const QCheckBox*>(&w) != nullptr ||
        qobject_cast<const QRadioButton*>(&w) != nullptr) {
        return w.sizeHint();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&w)) {
        // The text and the style's margins, not the least width some styles
        // give every button.
        const QStyle* style = button->style();
        const int width = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() +
                          style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                          2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        return QSize(width, button->sizeHint().height());
    }
    if (qobject_cast<const QLineEdit*>(&w) != nullptr ||
        qobject_cast<const QComboBox*>(&w) != nullptr ||
        qobject_cast<const QAbstractSpinBox*>(&w) != nullptr) {
        // A line of text inside the frame, a pixel clear of it above and below
        // (the toolkit's own hint asks for more than the window's fields have).
        const int frame = w.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w);
        return QSize(0, w.fontMetrics().height() + 2 * frame + 2);
    }
    if (const auto* pages = qobject_cast<const QTabWidget*>(&w)) {
        return QSize(pages->tabBar()->sizeHint().width(), 0); // the tabs in one row
    }
    if (qobject_cast<const QGroupBox*>(&w) != nullptr || w.layout() != nullptr) {
        return w.minimumSizeHint(); // the title and what the layout holds
    }
    return std::nullopt;
}

// The factor one side needs: a pixel more than the exact ratio, which the
// rounding of the places may take back.
double growth(int need, int design) {
    return need > design && design > 0 ? (need + 1.0) / design : 1.0;
}

} // namespace

FontFit::FontFit(QWidget& window, std::function<void()> fitted)
    : QObject(&window), window_(window), design_(window.size()), fitted_(std::move(fitted)) {
    collect(window);
    window.installEventFilter(this);
    apply();
}

void FontFit::collect(QWidget& holder) {
    for (QWidget* w : holder.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow()) {
            continue;
        }
        if (holder.layout() == nullptr) {
            places_.push_back({w, w->geometry()});
        }
        if (auto* pages = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < pages->count(); ++i) {
                collect(*pages->widget(i));
            }
        } else if (holdsControls(*w)) {
            collect(*w);
        }
    }
}

double FontFit::factor() const {
    double factor = 1.0;
    for (const Place& place : places_) {
        if (place.widget == nullptr) {
            continue;
        }
        if (const std::optional<QSize> need = needed(*place.widget)) {
            factor = std::max({factor, growth(need->width(), place.design.width()),
                               growth(need->height(), place.design.height())});
        }
    }
    return factor;
}

double FontFit::apply() {
    // The sizes laid-out parts ask for follow the new font.
    for (QLayout* layout : window_.findChildren<QLayout*>()) {
        layout->invalidate();
    }
    const double factor = this->factor();
    // Edges are scaled, not sizes: places side by side stay side by side.
    const auto at = [factor](int v) { return static_cast<int>(std::lround(v * factor)); };
    for (const Place& place : places_) {
        if (place.widget != nullptr) {
            const QRect& r = place.design;
            place.widget->setGeometry(at(r.x()), at(r.y()), at(r.x() + r.width()) - at(r.x()),
                                      at(r.y() + r.height()) - at(r.y()));
        }
    }
    window_.setFixedSize(at(design_.width()), at(design_.height()));
    if (fitted_) {
        fitted_();
    }
    return factor;
}

bool FontFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::FontChange) {
        apply();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kasmon
