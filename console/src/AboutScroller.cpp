#include "AboutScroller.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>

namespace kasmon {

namespace {

QFont aboutFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace

AboutScroller::AboutScroller(QFont font, QColor background, QColor text)
    : font_(std::move(font)), background_(background), text_(text),
      picture_(180, 290, QImage::Format_RGB32) {
    picture_.fill(background_);
}

QStringList AboutScroller::lines() {
    const QString dashes(56, QLatin1Char('-'));
    return {
        QStringLiteral("       Kasmon (ver. 1.0)"),
        QStringLiteral("   для  ЭККР  \"RX-410F\" (РМ-15)"),
        QStringLiteral("            и \"RX-520L\" (ЛМ-22)"),
        QStringLiteral("        НПП \"Зоркий Кассир\""),
        dashes,
        QStringLiteral("  Мы будем благодарны Вам за"),
        QStringLiteral("        новые предложения по"),
        QStringLiteral("          усовершенствованию"),
        QStringLiteral("     фискальных регистраторов"),
        QStringLiteral("      \"RX-520L\" и \"RX-410F\""),
        dashes,
        QStringLiteral("      По вопросам приобретения"),
        QStringLiteral("       и технической поддержки"),
        QStringLiteral("        регистраторов моделей:"),
        QStringLiteral("         RX-410F и RX-520L"),
        QStringLiteral("       обращайтесь по адресу:"),
        QStringLiteral("     ул. Примерная, 7, офис 12,"),
        QStringLiteral("        г. Светлогорск, 00000"),
        QStringLiteral("     тел. (000) 123-45-67"),
    };
}

void AboutScroller::tick() {
    // The picture is redrawn from scratch on every tick.
    if (picture_.width() != 190 || picture_.height() != 290) {
        picture_ = QImage(190, 290, QImage::Format_RGB32);
    }
    QPainter painter(&picture_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background_);
    painter.drawPolygon(
        QPolygon({QPoint(-1, -1), QPoint(599, -1), QPoint(599, 799), QPoint(-1, 799)}));

    --offset_;
    if (offset_ + 480 <= -margin_) {
        offset_ = kAreaWidth;
    }

    // Line positions relative to the offset: the title block, a rule, five lines,
    // a rule, seven lines and the last line, 15 pixels apart.
    static constexpr int kPositions[] = {180, 195, 210, 225, 240, 255, 270, 285, 300, 315,
                                         330, 345, 360, 375, 390, 405, 420, 435, 450};
    const QStringList text = lines();
    drawn_.clear();
    painter.setFont(font_);
    painter.setPen(text_);
    const int ascent = QFontMetrics(font_).ascent();
    for (int i = 0; i < text.size(); ++i) {
        const int y = offset_ + kPositions[i];
        drawn_.push_back({5, y, text.at(i)});
        // y is the top of the line, as text is placed on a canvas.
        painter.drawText(5, y + ascent, text.at(i));
    }
}

AboutArea::AboutArea(QWidget* parent)
    : QWidget(parent), scroller_(aboutFont(), QApplication::palette().color(QPalette::Window),
                                 QApplication::palette().color(QPalette::WindowText)) {
    setFixedSize(AboutScroller::kAreaWidth, AboutScroller::kAreaHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(30);
    connect(&timer_, &QTimer::timeout, this, [this] {
        scroller_.tick();
        update();
    });
}

void AboutArea::start() {
    started_ = true;
    follow();
}

void AboutArea::showEvent(QShowEvent*) {
    follow();
}

void AboutArea::hideEvent(QHideEvent*) {
    follow();
}

bool AboutArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && (event->type() == QEvent::WindowStateChange ||
                               event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        follow();
    }
    return QWidget::eventFilter(watched, event);
}

void AboutArea::follow() {
    QWidget* top = window();
    if (top != window_) {
        if (window_ != nullptr) {
            window_->removeEventFilter(this);
        }
        window_ = top == this ? nullptr : top;
        if (window_ != nullptr) {
            window_->installEventFilter(this);
        }
    }
    const bool onScreen = isVisible() && !top->isMinimized();
    if (!started_ || !onScreen) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}

void AboutArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(scroller_.picture().pixel(0, 0)));
    painter.drawImage(0, 0, scroller_.picture());
}

} // namespace kasmon
