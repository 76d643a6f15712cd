// The moving "about" text of the connection page: drawn into an off-screen
// picture on every tick of a 30 ms timer and copied to its area.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace kasmon {

class AboutScroller {
  public:
    static constexpr int kAreaWidth = 193;
    static constexpr int kAreaHeight = 282;
    static constexpr int kMargin = 10;

    struct DrawnLine {
        int x = 0;
        int y = 0;
        QString text;
    };

    AboutScroller(QFont font, QColor background, QColor text);

    // The nineteen lines in drawing order.
    static QStringList lines();

    // One timer tick: clear the picture, move the text up by one pixel (starting
    // again below the area once it has left it), draw it.
    void tick();

    int offset() const { return offset_; }
    const QImage& picture() const { return picture_; }
    // The lines drawn by the last tick, with their positions in the picture.
    const std::vector<DrawnLine>& lastDrawn() const { return drawn_; }

  private:
    QFont font_;
    QColor background_;
    QColor text_;
    QImage picture_;
    int margin_ = kMargin;
    int offset_ = kAreaWidth;
    std::vector<DrawnLine> drawn_;
};

// The area on the connection page that shows the picture. Nothing needs drawing
// while it is off screen, so its timer runs only while the area is visible and
// its window not minimised; the text goes on from where it stopped.
class AboutArea : public QWidget {
    Q_OBJECT
  public:
    explicit AboutArea(QWidget* parent = nullptr);

    // Lets the text move from now on, whenever the area is on screen.
    void start();

    AboutScroller& scroller() { return scroller_; }
    QTimer& timer() { return timer_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Starts or stops the timer as the area's visibility asks.
    void follow();

    AboutScroller scroller_;
    QTimer timer_;
    bool started_ = false;
    QWidget* window_ = nullptr; // watched for minimising
};

} // namespace kasmon
