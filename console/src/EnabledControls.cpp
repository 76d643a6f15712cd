#include "EnabledControls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPalette>

#include <algorithm>

namespace kasmon {

std::optional<bool> Enablement::resolve() const {
    switch (kind_) {
    case Kind::On:
        return true;
    case Kind::Off:
        return false;
    case Kind::Keep:
        return std::nullopt;
    case Kind::When:
        return decide_ ? decide_() : std::nullopt;
    }
    return std::nullopt;
}

const Enablement& ControlRow::in(ConnectionState state) const {
    switch (state) {
    case ConnectionState::Service:
        return service;
    case ConnectionState::Cashier:
        return cashier;
    case ConnectionState::Closed:
        break;
    }
    return closed;
}

void EnabledControls::addPage(const QString& pageCaption, std::vector<ControlRow> rows) {
    for (ControlRow& row : rows) {
        entries_.push_back({pageCaption, std::move(row)});
    }
}

void EnabledControls::applyRow(const ControlRow& row, ConnectionState state) {
    QWidget* widget = row.widget.data();
    if (widget == nullptr) {
        return;
    }
    const std::optional<bool> enabled = row.in(state).resolve();
    if (!enabled) {
        return;
    }
    widget->setEnabled(*enabled);
    if (row.greyWhenOff) {
        QPalette palette = widget->palette();
        const QPalette standard = QApplication::palette(widget);
        palette.setColor(QPalette::Base,
                         *enabled ? standard.color(QPalette::Active, QPalette::Base)
                                  : standard.color(QPalette::Disabled, QPalette::WindowText));
        widget->setPalette(palette);
    }
}

void EnabledControls::apply(ConnectionState state) const {
    for (const Entry& entry : entries_) {
        applyRow(entry.row, state);
    }
}

void EnabledControls::apply(ConnectionState state, const std::vector<const QWidget*>& only) const {
    for (const Entry& entry : entries_) {
        if (std::find(only.begin(), only.end(), entry.row.widget.data()) != only.end()) {
            applyRow(entry.row, state);
        }
    }
}

void EnabledControls::applyModel(RegisterModel model) const {
    for (const Entry& entry : entries_) {
        const ModelVisibility& rule = entry.row.model;
        QWidget* widget = entry.row.widget.data();
        if (!rule.governed || widget == nullptr) {
            continue;
        }
        const bool shown = model == RegisterModel::Rx520l ? rule.onRx520l : rule.onRx410f;
        widget->setVisible(shown);
        if (!shown && rule.uncheckWhenHidden) {
            if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
                box->setChecked(false);
            }
        }
    }
}

const ControlRow* EnabledControls::rowOf(const QWidget* widget) const {
    for (const Entry& entry : entries_) {
        if (entry.row.widget.data() == widget) {
            return &entry.row;
        }
    }
    return nullptr;
}

void EnabledControls::reapply(const QWidget* widget, ConnectionState state) const {
    if (const ControlRow* row = rowOf(widget)) {
        applyRow(*row, state);
    }
}

} // namespace kasmon
