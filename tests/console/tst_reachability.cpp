// What a person with a mouse can reach: on every page of the main window (both
// models, service mode), in the stress-test window and in the composite-tax
// dialog, every shown control lies inside its window and its group, no two
// controls cover each other, every caption shows its whole text, and every row
// of the tax-rate grid is in view; with a larger font too, the window grown
// for it. A failure names the controls in question.
#include "LinkedWindow.h"
#include "Unit1.h"
#include "Unit2.h"
#include "pages/ArticlesPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

namespace {

QString describe(const QWidget* w) {
    if (!w->objectName().isEmpty()) {
        return w->objectName();
    }
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        return QStringLiteral("label \"%1\"").arg(label->text());
    }
    return QStringLiteral("%1 in %2")
        .arg(QLatin1String(w->metaObject()->className()), describe(w->parentWidget()));
}

QString sizeText(const QSize& s) {
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// Group boxes and plain widgets hold controls; anything else is a control
// whose own children (an edit's buttons, a grid's scroll bars) are its business.
bool holdsControls(const QWidget* w) {
    return qobject_cast<const QGroupBox*>(w) != nullptr ||
           w->metaObject() == &QWidget::staticMetaObject;
}

// The room a caption needs to show its whole text. A push button needs its
// text and the style's margins, not the minimum width some styles give buttons.
std::optional<QSize> neededForText(const QWidget* w) {
    if (qobject_cast<const QLabel*>(w) != nullptr || qobject_cast<const QCheckBox*>(w) != nullptr ||
        qobject_cast<const QRadioButton*>(w) != nullptr) {
        return w->sizeHint();
    }
    if (qobject_cast<const QGroupBox*>(w) != nullptr) {
        return w->minimumSizeHint(); // the title and whatever its layout holds
    }
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        const QStyle* style = button->style();
        int width = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() +
                    style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                    2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        if (!button->icon().isNull()) {
            width += button->iconSize().width() + 4;
        }
        return QSize(width, button->sizeHint().height());
    }
    return std::nullopt;
}

// The grid's cells: every row in view, every text whole, no scrolling.
void checkGrid(const QTableWidget* grid, QStringList& faults) {
    const QRect view = grid->viewport()->rect();
    const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (const QScrollBar* bar : {grid->horizontalScrollBar(), grid->verticalScrollBar()}) {
        if (bar->isVisible()) {
            faults << QStringLiteral("%1: scroll bar shown").arg(describe(grid));
        }
    }
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column) {
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            const QString text = grid->item(row, column) ? grid->item(row, column)->text() : "";
            if (!view.contains(cell)) {
                faults << QStringLiteral("%1: cell %2,%3 \"%4\" out of view")
                              .arg(describe(grid))
                              .arg(row)
                              .arg(column)
                              .arg(text);
            } else if (grid->fontMetrics().horizontalAdvance(text) + margin > cell.width()) {
                faults << QStringLiteral("%1: cell %2,%3 \"%4\" cut")
                              .arg(describe(grid))
                              .arg(row)
                              .arg(column)
                              .arg(text);
            }
        }
    }
}

// Checks the shown controls held by `holder` and, below it, by their groups.
void checkHeld(const QWidget* holder, QStringList& faults) {
    std::vector<const QWidget*> shown;
    for (const QWidget* w : holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow() && w->isVisible()) {
            shown.push_back(w);
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QWidget* w = shown[i];
        if (!holder->rect().contains(w->geometry())) {
            faults << QStringLiteral("%1: at %2,%3 %4 outside %5 (%6)")
                          .arg(describe(w))
                          .arg(w->x())
                          .arg(w->y())
                          .arg(sizeText(w->size()), describe(holder), sizeText(holder->size()));
        }
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            if (w->geometry().intersects(shown[j]->geometry())) {
                faults << QStringLiteral("%1 and %2 overlap").arg(describe(w), describe(shown[j]));
            }
        }
        if (const auto needed = neededForText(w);
            needed && (needed->width() > w->width() || needed->height() > w->height())) {
            faults << QStringLiteral("%1: text cut, needs %2, has %3")
                          .arg(describe(w), sizeText(*needed), sizeText(w->size()));
        }
        if (const auto* grid = qobject_cast<const QTableWidget*>(w)) {
            checkGrid(grid, faults);
        }
        if (holdsControls(w)) {
            checkHeld(w, faults);
        }
    }
}

QStringList reachFaults(const QWidget* window, const QWidget* root) {
    QStringList faults;
    const QRect placed(root->mapTo(window, QPoint(0, 0)), root->size());
    if (!window->rect().contains(placed)) {
        faults << QStringLiteral("%1 outside its window").arg(describe(root));
    }
    checkHeld(root, faults);
    return faults;
}

QWidget* topLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name)) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

class ReachabilityTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();
    void everyControlInReach_data();
    void everyControlInReach();
};

void ReachabilityTest::cleanup() {
    closeDriverPort();
}

void ReachabilityTest::everyControlInReach_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("window"); // a page of the main window, or a window's name
    // The window's font as designed, then larger as a user's font may be: the
    // window grows and still shows every control whole.
    QTest::addColumn<double>("fontScale");
    const std::pair<const char*, kasemu::ModelKind> models[] = {
        {"RX-410F", kasemu::ModelKind::Rx410f}, {"RX-520L", kasemu::ModelKind::Rx520l}};
    for (const double scale : {1.0, 1.25, 1.5}) {
        const QByteArray font =
            scale == 1.0 ? QByteArray() : QByteArray(", font x") + QByteArray::number(scale);
        for (const auto& [modelName, model] : models) {
            for (const char* page : {"connection", "operations", "extra", "programming", "articles",
                                     "reports", "passwords", "dump"}) {
                QTest::addRow("%s %s%s", modelName, page, font.constData())
                    << static_cast<int>(model) << page << scale;
            }
        }
        QTest::addRow("stress test%s", font.constData())
            << static_cast<int>(kasemu::ModelKind::Rx410f) << "stress" << scale;
        QTest::addRow("composite tax%s", font.constData())
            << static_cast<int>(kasemu::ModelKind::Rx410f) << "form4" << scale;
    }
}

void ReachabilityTest::everyControlInReach() {
    QFETCH(int, model);
    QFETCH(QString, window);
    QFETCH(double, fontScale);
    LinkedWindow linked(static_cast<kasemu::ModelKind>(model));
    const bool page = window != QLatin1String("stress") && window != QLatin1String("form4");
    QVERIFY(linked.openOn(page ? qPrintable(window) : "articles"));
    QWidget* shown = &linked.form();
    QWidget* root = linked.form().findChild<QWidget*>(window);
    if (window == QLatin1String("stress")) {
        shown = root = &linked.form().findChild<ArticlesPage*>()->stressWindow();
    } else if (window == QLatin1String("form4")) {
        shown = root = topLevel("form4");
    }
    QVERIFY(root != nullptr);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    if (fontScale != 1.0) {
        const QSize designed = shown->size();
        QFont larger = shown->font();
        larger.setPointSizeF(larger.pointSizeF() * fontScale);
        shown->setFont(larger);
        QVERIFY2(shown->width() > designed.width() && shown->height() > designed.height(),
                 qPrintable(QStringLiteral("the window stayed %1 with a larger font")
                                .arg(sizeText(shown->size()))));
    }
    QApplication::processEvents();
    const QStringList faults = reachFaults(shown, root);
    shown->hide();
    for (const QString& fault : faults) {
        qWarning("%s", qPrintable(fault)); // the failure message alone would be cut short
    }
    QVERIFY2(
        faults.isEmpty(),
        qPrintable(
            QStringLiteral("%1 controls out of reach or cut (listed above)").arg(faults.size())));
}

QTEST_MAIN(ReachabilityTest)
#include "tst_reachability.moc"
