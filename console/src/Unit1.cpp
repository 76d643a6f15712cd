#include "Unit1.h"

#include "AboutScroller.h"
#include "Dialogs.h"
#include "DriverText.h"
#include "FontFit.h"
#include "Unit3.h"
#include "pages/ArticlesPage.h"
#include "pages/ConnectionPage.h"
#include "pages/DumpPage.h"
#include "pages/ExtraFunctionsPage.h"
#include "pages/OperationsPage.h"
#include "pages/PasswordsPage.h"
#include "pages/ProgrammingPage.h"
#include "pages/ReportsPage.h"
#include "reports/Reports.h"

#include <kasdrv.h>
#include <kashost/Queries.h>

#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTabWidget>

#include <tuple>

// The pictures are compiled into the GUI library; a static library needs its
// resources registered by hand.
static void registerPictures() {
    Q_INIT_RESOURCE(kasmon);
}

namespace kasmon {

namespace {

// The eight tab captions must fit in one row of 511 pixels whatever sans-serif
// font stands in for the window font: the tabs take no more room than their
// text and a small margin.
class CompactTabStyle final : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) {
            return 10;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// The page control, which tells the room its pages have before it is shown.
class PageControl final : public QTabWidget {
  public:
    using QTabWidget::QTabWidget;
    QSize pageSize() const {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).size();
    }
};

} // namespace

TForm1::TForm1(const StartupOptions& options, QWidget* parent) : QWidget(parent) {
    registerPictures();
    buildWindow();

    bindDriver(options.driverLibrary.isEmpty() ? driverLibraryName() : options.driverLibrary);

    connection_->startAboutText();

    extraFunctions_->setPickers(QDateTime::currentDateTime());
    state_.ProgPassword = 0;
    state_.ReportPassword = 0;
    state_.StartParam = options.arguments.value(0).left(255);

    form3_ = std::make_unique<TForm3>(state_, this);
}

TForm1::~TForm1() {
    shutdown();
}

QString TForm1::caption() {
    return QStringLiteral("Kasmon 1.0  для \"RX-410F\" (РМ-15)  и  \"RX-520L\" (ЛМ-22)");
}

QString TForm1::applicationTitle() {
    return QStringLiteral("Kasmon 1.0  ");
}

QFont TForm1::windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

void TForm1::buildWindow() {
    setWindowTitle(caption());
    setWindowIcon(QIcon(QStringLiteral(":/kasmon/kasmon.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    setFixedSize(kClientWidth, kClientHeight);

    banner_ = new QLabel(this);
    banner_->setGeometry(6, 5, 499, 56);
    banner_->setPixmap(QPixmap(QStringLiteral(":/kasmon/banner.png")));
    banner_->setAlignment(Qt::AlignCenter); // in the middle of a window grown for its font

    pages_ = new PageControl(this);
    pages_->setGeometry(2, 64, 511, 457);
    pages_->tabBar()->setAttribute(Qt::WA_Hover); // hot-tracking tabs
    auto* tabStyle = new CompactTabStyle;
    tabStyle->setParent(this);
    pages_->tabBar()->setStyle(tabStyle);
    QFont tabFont; // the window's font, narrowed
    tabFont.setStretch(QFont::SemiCondensed);
    pages_->tabBar()->setFont(tabFont);
    pages_->setUsesScrollButtons(false);

    connection_ = new ConnectionPage(*this);
    extraFunctions_ = new ExtraFunctionsPage(*this);
    pageList_ = {connection_,
                 new OperationsPage(*this),
                 extraFunctions_,
                 new ProgrammingPage(*this),
                 new ArticlesPage(*this),
                 new ReportsPage(*this),
                 new PasswordsPage(*this),
                 new DumpPage(*this)};
    for (Page* page : pageList_) {
        page->setAutoFillBackground(true); // the about area shares the page's colour
        pages_->addTab(page, page->caption());
        controls_.addPage(page->caption(), page->controlRows());
    }
    pages_->setCurrentIndex(0);

    // Two panels of 300 pixels; only the first is ever written.
    auto* statusBar = new QFrame(this);
    statusBar->setGeometry(0, 522, kClientWidth, 18);
    QFont statusFont; // of the window's size
    statusFont.setFamilies({QStringLiteral("Tahoma")});
    statusFont.setStyleHint(QFont::SansSerif);
    statusFont.setBold(true);
    // Narrowed like the tabs, so that the longest connection text fits its panel.
    statusFont.setStretch(QFont::SemiCondensed);
    for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(statusBar);
        panel->setFont(statusFont);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setGeometry(i * 302, 0, 300, 18);
        panel->setIndent(2);
        panels_[i] = panel;
    }

    // Hand-placed controls grow with a font that needs more room, then the
    // pages laid out by Qt take theirs.
    new FontFit(*this, [this] { layOutPages(); });

    // The design state: what a closed link allows.
    applyConnectionState(ConnectionState::Closed);
}

void TForm1::layOutPages() {
    const auto pageArea = [this] { return static_cast<PageControl*>(pages_)->pageSize(); };
    // The window keeps its size while every page fits it, as it does with the
    // fonts a desktop has by default; a font that needs more room makes the
    // window (and the page control) larger, never a control unreachable. The
    // hand-placed controls have grown with the font already.
    QSize area = pageArea();
    QSize extra(0, 0);
    for (const Page* page : pageList_) {
        if (page->layout() != nullptr) {
            extra = extra.expandedTo(page->layout()->totalMinimumSize() - area);
        }
    }
    if (extra.width() > 0 || extra.height() > 0) {
        setFixedSize(size() + extra);
        pages_->resize(pages_->size() + extra);
        QWidget* statusBar = panels_[0]->parentWidget();
        statusBar->setGeometry(0, height() - statusBar->height(), width(), statusBar->height());
        area = pageArea();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && !isVisible()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    // Pages and groups laid out by Qt take their places now, not when first
    // shown: every control has its real place from the start.
    for (Page* page : pageList_) {
        if (page->layout() != nullptr) {
            page->resize(area);
            page->layout()->activate();
        }
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (w->layout() != nullptr) {
                w->layout()->activate();
            }
        }
    }
}

void TForm1::bindDriver(const QString& library) {
    library_.load(library);
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;
    if (!ReadFileVersion(library_.fileName(), major, minor, release, build)) {
        Dialogs::error(this, QStringLiteral("Библиотека KASDRV.DLL не содержит информации о "
                                            "версии!\r\nДальнейшая работа невозможна!"));
        refused_ = true;
    } else if (std::tuple(major, minor, release) < std::tuple(1, 0, 1)) {
        Dialogs::error(this, QStringLiteral("Версия библиотеки KASDRV.DLL должна быть не ниже "
                                            "1.0.1\r\nДальнейшая работа невозможна!"));
        refused_ = true;
    }
}

QString TForm1::DeviceCodesSuffix() const {
    std::uint8_t result = 0;
    std::uint8_t status = 0;
    std::uint8_t extended = 0;
    FPCodeError(&result, &status, &extended);
    return DeviceCodesSuffix(status, result);
}

QString TForm1::DeviceCodesSuffix(std::uint8_t status, std::uint8_t result) {
    QString suffix;
    if (status != 0) {
        suffix = QStringLiteral("\r\nБайт статуса: ") + QString::number(status);
    }
    if (result != 0) {
        suffix +=
            QStringLiteral("\r\n") + QStringLiteral("Байт результата: ") + QString::number(result);
    }
    return suffix;
}

QString TForm1::DriverErrorText() const {
    const QString text = fromDriverText(FPErrorMessage());
    return text + DeviceCodesSuffix();
}

QString TForm1::DriverErrorText(const kashost::DriverError& error) {
    return fromDriverText(error.text) + DeviceCodesSuffix(error.status, error.result);
}

void TForm1::ReportDriverError() {
    ReportDriverError(DriverErrorText());
}

void TForm1::ReportDriverError(const QString& prepared) {
    Dialogs::error(this, prepared);
}

void TForm1::ReportFiscalVerdict(const kashost::FiscalVerdict& verdict) {
    const QString what = reports::fiscalVerdictReport(verdict, LocaleFormat::current());
    if (verdict.answered) {
        if (!what.isEmpty()) {
            ReportDriverError(what);
        }
        return;
    }
    const QString driver = DriverErrorText(verdict.error);
    ReportDriverError(what.isEmpty() ? driver : driver + QStringLiteral("\r\n\r\n") + what);
}

void TForm1::CheckPaperState() {
    const std::optional<kashost::PaperState> paper = kashost::readPaperState();
    if (!paper || paper->undeterminable) {
        return;
    }
    QString text;
    if (paper->controlTapeLow && paper->receiptTapeLow) {
        text = QStringLiteral("Заканчиваются контрольная и чековая ленты!");
    } else if (paper->controlTapeLow) {
        text = QStringLiteral("Заканчивается контрольная лента!");
    } else if (paper->receiptTapeLow) {
        text = QStringLiteral("Заканчивается чековая лента!");
    } else {
        return;
    }
    Dialogs::warning(nullptr, QStringLiteral("Внимание!"), text);
}

void TForm1::setStatusText(const QString& text) {
    panels_[0]->setText(text);
}

QString TForm1::statusText() const {
    return panels_[0]->text();
}

QLabel* TForm1::statusPanel(int index) const {
    return panels_[index == 0 ? 0 : 1];
}

void TForm1::repaintStatus() {
    panels_[0]->repaint();
}

void TForm1::applyConnectionState(ConnectionState state) {
    controls_.apply(state);
    for (Page* page : pageList_) {
        page->connectionStateApplied(state);
    }
}

void TForm1::applyConnectionState(ConnectionState state, const std::vector<const QWidget*>& only) {
    controls_.apply(state, only);
}

void TForm1::applyModel(RegisterModel model) {
    controls_.applyModel(model);
}

void TForm1::shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (state_.Connected) {
        FPClose();
        state_.Connected = false;
    }
    library_.release();
}

void TForm1::closeEvent(QCloseEvent* event) {
    shutdown();
    QWidget::closeEvent(event);
}

} // namespace kasmon
