// Windows whose controls stand at fixed places, following their font.
//
// The places are drawn for the design font: DejaVu Sans, the sans-serif of a
// Debian desktop, at the windows' point sizes on a 96-dpi screen. A font that
// needs more room (a larger or wider face, or more dots per inch than Qt scales
// the window for) makes every fixed place, and the window's fixed size, larger
// by one factor: the least that shows every caption whole. The window keeps its
// look, only larger; no control is cut or left outside. With a font that fits
// its places the factor is 1 and nothing moves.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QWidget;

namespace kasmon {

class FontFit final : public QObject {
  public:
    // Takes the present places under `window` as the design: every widget placed
    // by hand in the window, in a group, frame or plain holder without a layout
    // of its own, or on a page of a page control. Fits them to the window's font
    // now and whenever that font changes, each time followed by `fitted`.
    explicit FontFit(QWidget& window, std::function<void()> fitted = {});

    // Sets the design places scaled for the present font, and the window's fixed
    // size with them; returns the factor.
    double apply();

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Place {
        QPointer<QWidget> widget;
        QRect design;
    };

    void collect(QWidget& holder);
    double factor() const;

    QWidget& window_;
    QSize design_;
    std::vector<Place> places_;
    std::function<void()> fitted_;
};

} // namespace kasmon
