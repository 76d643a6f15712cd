// The console's two long loops without their widgets, against the real driver
// and a register emulator on a pseudo-terminal: the bulk article run with its
// stop switch, and the stress test's receipts, times and log.
#include "ConsoleTestSupport.h"
#include "DriverText.h"
#include "LoopDoubles.h"
#include "runs/BulkArticleRun.h"
#include "runs/StressRun.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

using namespace kasmon;
using namespace kasmon::test;

namespace {

// What a run showed, as one line per event.
class RecordingBulkView final : public BulkRunView {
  public:
    void showRunning(bool running) override {
        events.push_back(running ? QStringLiteral("running") : QStringLiteral("idle"));
    }
    void showProgress(std::uint32_t number, std::uint32_t count) override {
        lastProgress = QStringLiteral("%1/%2").arg(number).arg(count);
        ++progressShown;
    }
    void clearProgress() override { events.push_back(QStringLiteral("cleared")); }
    void reportInterrupted(std::uint32_t last) override {
        events.push_back(QStringLiteral("interrupted %1").arg(last));
    }
    void reportCompleted(std::uint32_t last) override {
        events.push_back(QStringLiteral("completed %1").arg(last));
    }
    void reportDriverFailure() override {
        events.push_back(QStringLiteral("failure: ") + fromDriverText(FPErrorMessage()));
    }
    QStringList events;
    QString lastProgress;
    int progressShown = 0;
};

class RecordingStressView final : public StressView {
  public:
    void showItemCount(int positions) override { itemCounts.push_back(positions); }
    void showTimes(std::uint32_t printMs, std::uint32_t totalMs, std::uint32_t maxMs) override {
        times.push_back({printMs, totalMs, maxMs});
    }
    void refresh() override { ++refreshes; }
    void showIdle() override { events.push_back(QStringLiteral("idle")); }
    void reportLogNotCreated(const std::string& path) override {
        events.push_back(QStringLiteral("not created: ") + QString::fromStdString(path));
    }
    void reportLogNotWritten(const std::string& path) override {
        events.push_back(QStringLiteral("not written: ") + QString::fromStdString(path));
    }
    void reportBadPositions() override { events.push_back(QStringLiteral("bad positions")); }
    void reportDriverFailure() override {
        events.push_back(QStringLiteral("driver failure"));
        lastError = fromDriverText(FPErrorMessage());
    }
    QString lastError;

    struct Times {
        std::uint32_t print, total, maximum;
        bool operator==(const Times&) const = default;
    };
    std::vector<int> itemCounts;
    std::vector<Times> times;
    int refreshes = 0;
    QStringList events;
};

QString utf8(const kasemu::Bytes& cp866) {
    return QString::fromStdString(kasemu::deviceToUtf8(cp866));
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class RunsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void bulkRunStoppedAfterAnArticle_data();
    void bulkRunStoppedAfterAnArticle();
    void bulkRunCompletes();
    void bulkRunStoppedWhileItsLastArticleIsHandled();
    void bulkRunEndsAtADriverFailure();

    void stressReceiptsPricesGroupsAndPayment();
    void stressCodesContinueAcrossReceipts();
    void stressStopDuringTheFirstReceiptFinishesIt();
    void stressTimesAndMaximum();
    void stressBadPositions_data();
    void stressBadPositions();
    void stressLogCannotBeCreated_data();
    void stressLogCannotBeCreated();
    void stressLogCannotBeAppended_data();
    void stressLogCannotBeAppended();
    void stressDriverFailureEndsTheRun_data();
    void stressDriverFailureEndsTheRun();
    void stressLogLineFormat_data();
    void stressLogLineFormat();

  private:
    void openRegister();
    QString tape() const;
    // Runs the stress test until the given receipt has passed its event pump.
    void runStress(std::int64_t first, int positions, int receipts);

    std::unique_ptr<DevicesDirectory> devices_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    std::unique_ptr<QTemporaryDir> work_;
    ScriptedPump pump_;
    ScriptedTicks ticks_;
    RecordingPause pause_;
    RecordingStressView stressView_;
    std::unique_ptr<StressRun> stress_;
};

void RunsTest::init() {
    devices_ = std::make_unique<DevicesDirectory>();
    work_ = std::make_unique<QTemporaryDir>();
    pump_ = ScriptedPump();
    ticks_ = ScriptedTicks();
    pause_ = RecordingPause();
    stressView_ = RecordingStressView();
    stress_ = std::make_unique<StressRun>(
        stressView_, LoopSeams{pump_, ticks_, pause_},
        QFile::encodeName(work_->filePath(QStringLiteral("Logo.txt"))).toStdString());
}

void RunsTest::cleanup() {
    stress_.reset();
    closeDriverPort();
    emulator_.reset();
    devices_.reset();
    work_.reset();
}

void RunsTest::openRegister() {
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f);
    // The stress test's receipts use every tax group.
    emulator_->withState([](kasemu::RegisterState& s) {
        s.programming.taxRateCount = 5;
        s.programming.taxRates = {2000, 700, 500, 0, 1000};
    });
    QVERIFY(FPInit(1, 9600, 1, 1) != 0);
}

QString RunsTest::tape() const {
    QStringList lines;
    for (const std::string& line : emulator_->tape()) {
        lines << QString::fromStdString(line);
    }
    return lines.join(QLatin1Char('\n'));
}

void RunsTest::runStress(std::int64_t first, int positions, int receipts) {
    pump_.calls = 0;
    pump_.onPump = [this, receipts](int call) {
        if (call == receipts) {
            stress_->stop();
        }
    };
    stress_->run(first, positions);
}

// ---------------------------------------------------------------------------
// The bulk article run

void RunsTest::bulkRunStoppedAfterAnArticle_data() {
    QTest::addColumn<int>("stopAfter");
    QTest::newRow("after the first") << 1;
    QTest::newRow("after article 57") << 57;
}

void RunsTest::bulkRunStoppedAfterAnArticle() {
    QFETCH(int, stopAfter);
    openRegister();
    RecordingBulkView view;
    DriverArticleWriter writer([] { return std::uint16_t{0}; });
    BulkArticleRun run(writer, pump_, view);
    // The second press arrives while the run handles its pending events.
    pump_.onPump = [&run, stopAfter](int call) {
        if (call == stopAfter) {
            run.press();
        }
    };
    run.press();

    QCOMPARE(view.events, (QStringList{QStringLiteral("running"), QStringLiteral("idle"),
                                       QStringLiteral("interrupted %1").arg(stopAfter),
                                       QStringLiteral("cleared"), QStringLiteral("cleared")}));
    QCOMPARE(view.lastProgress, QStringLiteral("%1/10000").arg(stopAfter));
    QCOMPARE(run.lastWritten(), static_cast<std::uint32_t>(stopAfter));
    QVERIFY(!run.running());
    emulator_->withState([&](kasemu::RegisterState& s) {
        QCOMPARE(s.articles.size(), static_cast<std::size_t>(stopAfter));
        const kasemu::Article& last = s.articles.at(static_cast<std::uint64_t>(stopAfter));
        QCOMPARE(utf8(last.name), QStringLiteral("Товар %1").arg(stopAfter));
        QCOMPARE(last.price, static_cast<std::int64_t>(stopAfter));
        QCOMPARE(last.decimals, std::uint8_t{3});
        QCOMPARE(last.group, std::uint8_t{0});
    });
}

void RunsTest::bulkRunCompletes() {
    openRegister();
    RecordingBulkView view;
    std::uint16_t password = 0;
    DriverArticleWriter writer([&password] { return password; });
    BulkArticleRun run(writer, pump_, view, 300);
    run.press();
    QCOMPARE(view.events,
             (QStringList{QStringLiteral("running"), QStringLiteral("idle"),
                          QStringLiteral("completed 300"), QStringLiteral("cleared")}));
    QCOMPARE(view.progressShown, 300);
    QCOMPARE(pump_.calls, 300);
    emulator_->withState([](kasemu::RegisterState& s) {
        QCOMPARE(s.articles.size(), std::size_t{300});
        QCOMPARE(utf8(s.articles.at(300).name), QStringLiteral("Товар 300"));
    });

    // The password is the one the console holds when the article is written.
    password = 65535;
    view.events.clear();
    run.press();
    QCOMPARE(view.events.size(), 4);
    QCOMPARE(view.events.at(3), QStringLiteral("failure: Неверный пароль отчетов!"));
    QCOMPARE(run.lastWritten(), 300U);
}

void RunsTest::bulkRunStoppedWhileItsLastArticleIsHandled() {
    openRegister();
    RecordingBulkView view;
    DriverArticleWriter writer([] { return std::uint16_t{0}; });
    BulkArticleRun run(writer, pump_, view, 5);
    pump_.onPump = [&run](int call) {
        if (call == 5) {
            run.press();
        }
    };
    run.press();
    // Only the press reports; the run does not claim success after it.
    QCOMPARE(view.events, (QStringList{QStringLiteral("running"), QStringLiteral("idle"),
                                       QStringLiteral("interrupted 5"), QStringLiteral("cleared"),
                                       QStringLiteral("cleared")}));
}

void RunsTest::bulkRunEndsAtADriverFailure() {
    openRegister();
    RecordingBulkView view;
    DriverArticleWriter writer([] { return std::uint16_t{0}; });
    BulkArticleRun run(writer, pump_, view);
    pump_.onPump = [this](int call) {
        if (call == 20) {
            emulator_->inject(*kasemu::parseFault("nak*20"));
        }
    };
    run.press();
    QCOMPARE(view.events.size(), 4);
    QCOMPARE(view.events.mid(0, 3), (QStringList{QStringLiteral("running"), QStringLiteral("idle"),
                                                 QStringLiteral("cleared")}));
    QVERIFY2(view.events.at(3).startsWith(QStringLiteral("failure: ")) &&
                 view.events.at(3).size() > 10,
             qPrintable(view.events.at(3)));
    QCOMPARE(view.lastProgress, QStringLiteral("21/10000"));
    QCOMPARE(run.lastWritten(), 20U);
    QVERIFY(!run.running());
    emulator_->withState(
        [](kasemu::RegisterState& s) { QCOMPARE(s.articles.size(), std::size_t{20}); });

    // The number kept is what the next interruption reports.
    emulator_->clearFaults();
    view.events.clear();
    pump_.calls = 0;
    pump_.onPump = [&run](int) { run.press(); };
    run.press();
    QVERIFY(view.events.contains(QStringLiteral("interrupted 1")));
}

// ---------------------------------------------------------------------------
// The stress test

void RunsTest::stressReceiptsPricesGroupsAndPayment() {
    openRegister();
    runStress(1, 8, 2);
    QVERIFY2(stressView_.events.isEmpty(), qPrintable(stressView_.lastError));
    QCOMPARE(stressView_.itemCounts, (std::vector<int>{8, 8}));
    QCOMPARE(pause_.waits, (std::vector<std::uint32_t>{2000, 2000}));

    const QString printed = tape();
    const auto count = [&printed](const QString& pattern) {
        QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"),
                              QRegularExpression::MultilineOption);
        int n = 0;
        for (auto it = re.globalMatch(printed); it.hasNext(); it.next()) {
            ++n;
        }
        return n;
    };
    const QString groups = QStringLiteral("АБВГДЕАБ");
    for (int p = 1; p <= 8; ++p) {
        // Each position on both receipts and on their non-fiscal copies: quantity 1, its
        // price, its group.
        const QString line =
            QStringLiteral(" +1 x %1\\.00 +%1\\.00 %2").arg(p).arg(groups.at(p - 1));
        QVERIFY2(count(line) == 4, qPrintable(line));
    }
    QCOMPARE(count(QStringLiteral("НАЛИЧНЫЕ +36\\.00")), 4);
    QCOMPARE(count(QStringLiteral(" *НЕФИСКАЛЬНЫЙ ЧЕК *")), 2);
    const kasemu::RegisterState state = emulator_->state();
    QCOMPARE(state.day.sale.receipts, 2U);
    QCOMPARE(state.day.sale.byForm[3], std::int64_t{7200});
    QCOMPARE(state.day.sale.byGroup[0], std::int64_t{2 * (100 + 700)});
    QCOMPARE(state.day.sale.byGroup[5], std::int64_t{2 * 600});
}

void RunsTest::stressCodesContinueAcrossReceipts() {
    openRegister();
    runStress(100, 3, 2);
    emulator_->withState([](kasemu::RegisterState& s) {
        std::vector<std::uint64_t> codes;
        for (const auto& [code, article] : s.articles) {
            codes.push_back(code);
            QCOMPARE(utf8(article.name),
                     QStringLiteral("Товар %1").arg(code) + QString(39, QLatin1Char('#')));
        }
        QCOMPARE(codes, (std::vector<std::uint64_t>{100, 101, 102, 103, 104, 105}));
    });
}

void RunsTest::stressStopDuringTheFirstReceiptFinishesIt() {
    openRegister();
    stress_->stop(); // a stop from before the run is forgotten at its start
    // "Остановить" pressed while the first receipt is printed is handled at the
    // receipt's event pump; the receipt, its log line and its pause still follow.
    pump_.onPump = [this](int call) {
        if (call == 1) {
            stress_->stop();
        }
    };
    stress_->run(1, 4);
    QCOMPARE(stressView_.itemCounts, (std::vector<int>{4}));
    QCOMPARE(pause_.waits, (std::vector<std::uint32_t>{2000}));
    QCOMPARE(tape().count(QRegularExpression(QStringLiteral("НАЛИЧНЫЕ +10\\.00"))), 2);
    const QByteArray log = readAll(work_->filePath(QStringLiteral("Logo.txt")));
    QCOMPARE(log.count("\r\n"), 1);
    QVERIFY(log.startsWith("Чек №1   "));
    QVERIFY(!stress_->running());
}

void RunsTest::stressTimesAndMaximum() {
    openRegister();
    // t0, t1, t2 of each receipt; the counter wraps in the third.
    ticks_.readings = {1000, 1300, 2100, 5000, 5200, 5700, 0xFFFFFF00U, 0xFFFFFFF0U, 0x00000390U};
    runStress(1, 1, 3);
    using T = RecordingStressView::Times;
    QCOMPARE(stressView_.times,
             (std::vector<T>{{800, 1100, 800}, {500, 700, 800}, {0x3A0, 0x490, 0x3A0}}));
    QCOMPARE(stressView_.refreshes, 3);
    QCOMPARE(readAll(work_->filePath(QStringLiteral("Logo.txt"))),
             QByteArray("Чек №1   Время печати чека: 800мс  Время формирования и печати: 1100мс"
                        "  MAX t печати: 800мс\r\n"
                        "Чек №2   Время печати чека: 500мс  Время формирования и печати: 700мс"
                        "  MAX t печати: 800мс\r\n"
                        "Чек №3   Время печати чека: 928мс  Время формирования и печати: 1168мс"
                        "  MAX t печати: 928мс\r\n"));

    // The maximum is kept for the next run, whose log starts empty and counts from 1.
    ticks_.readings = {0, 10, 20};
    runStress(1, 1, 1);
    QCOMPARE(stressView_.times.back(), (T{10, 20, 928}));
    QCOMPARE(readAll(work_->filePath(QStringLiteral("Logo.txt"))),
             QByteArray("Чек №1   Время печати чека: 10мс  Время формирования и печати: 20мс"
                        "  MAX t печати: 928мс\r\n"));
}

void RunsTest::stressBadPositions_data() {
    QTest::addColumn<int>("positions");
    QTest::newRow("none") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("256") << 256;
}

void RunsTest::stressBadPositions() {
    QFETCH(int, positions);
    openRegister();
    const auto before = emulator_->counters().bytesReceived;
    stress_->run(1, positions);
    QCOMPARE(stressView_.events,
             (QStringList{QStringLiteral("idle"), QStringLiteral("bad positions")}));
    QCOMPARE(emulator_->counters().bytesReceived, before);
    QVERIFY(!stress_->running());
}

void RunsTest::stressLogCannotBeCreated_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("a directory in its place") << QStringLiteral("directory");
    QTest::newRow("a directory that is gone") << QStringLiteral("gone");
    QTest::newRow("a read-only file system") << QStringLiteral("/proc");
}

void RunsTest::stressLogCannotBeCreated() {
    QFETCH(QString, where);
    openRegister();
    QString path;
    if (where == QStringLiteral("directory")) {
        path = work_->filePath(QStringLiteral("Logo.txt"));
        QVERIFY(QDir().mkpath(path));
    } else if (where == QStringLiteral("gone")) {
        path = work_->filePath(QStringLiteral("gone/Logo.txt"));
    } else {
        path = where + QStringLiteral("/Logo.txt");
    }
    StressRun run(stressView_, LoopSeams{pump_, ticks_, pause_},
                  QFile::encodeName(path).toStdString());
    const auto before = emulator_->counters().bytesReceived;
    run.run(1, 1);
    QCOMPARE(stressView_.events,
             (QStringList{QStringLiteral("idle"), QStringLiteral("not created: ") + path}));
    QCOMPARE(emulator_->counters().bytesReceived, before);
}

void RunsTest::stressLogCannotBeAppended_data() {
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("replaced by a directory") << false;
    QTest::newRow("a full disk") << true;
}

void RunsTest::stressLogCannotBeAppended() {
    QFETCH(bool, fullDisk);
    openRegister();
    const QString path =
        fullDisk ? QStringLiteral("/dev/full") : work_->filePath(QStringLiteral("Logo.txt"));
    StressRun run(stressView_, LoopSeams{pump_, ticks_, pause_},
                  QFile::encodeName(path).toStdString());
    pump_.onPump = [&](int) {
        if (!fullDisk) {
            QFile::remove(path);
            QDir().mkpath(path);
        }
    };
    run.run(1, 2);
    // The receipt was printed; the run ends before its pause.
    QCOMPARE(stressView_.itemCounts, (std::vector<int>{2}));
    QCOMPARE(stressView_.events,
             (QStringList{QStringLiteral("idle"), QStringLiteral("not written: ") + path}));
    QVERIFY(pause_.waits.empty());
    QVERIFY(!run.running());
}

void RunsTest::stressDriverFailureEndsTheRun_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<QString>("error");
    // The register refuses the first sale.
    QTest::newRow("refused by the register")
        << QStringLiteral("result:0x0C") << qint64{1} << QString();
    // The second position's name ("Товар 100000" and 39 signs) is one character too long.
    QTest::newRow("refused by the driver")
        << QString() << qint64{99999} << QStringLiteral("Название товара превышает 50 символов!");
}

void RunsTest::stressDriverFailureEndsTheRun() {
    QFETCH(QString, fault);
    QFETCH(qint64, first);
    QFETCH(QString, error);
    openRegister();
    if (!fault.isEmpty()) {
        emulator_->inject(*kasemu::parseFault(fault.toStdString()));
    }
    stress_->run(first, 3);
    QCOMPARE(stressView_.events,
             (QStringList{QStringLiteral("idle"), QStringLiteral("driver failure")}));
    if (!error.isEmpty()) {
        QCOMPARE(fromDriverText(FPErrorMessage()), error);
    }
    QVERIFY(stressView_.times.empty());
    QVERIFY(pause_.waits.empty());
    QCOMPARE(readAll(work_->filePath(QStringLiteral("Logo.txt"))), QByteArray());
    QVERIFY(!stress_->running());
}

void RunsTest::stressLogLineFormat_data() {
    QTest::addColumn<quint64>("receipt");
    QTest::addColumn<uint>("print");
    QTest::addColumn<uint>("total");
    QTest::addColumn<uint>("maximum");
    QTest::addColumn<QString>("line");
    QTest::newRow("first") << quint64{1} << 0U << 0U << 0U
                           << QStringLiteral("Чек №1   Время печати чека: 0мс  Время "
                                             "формирования и печати: 0мс  MAX t печати: 0мс");
    QTest::newRow("large") << quint64{123456} << 4294967295U << 65536U << 4294967295U
                           << QStringLiteral("Чек №123456   Время печати чека: 4294967295мс  Время "
                                             "формирования и печати: 65536мс  MAX t печати: "
                                             "4294967295мс");
}

void RunsTest::stressLogLineFormat() {
    QFETCH(quint64, receipt);
    QFETCH(uint, print);
    QFETCH(uint, total);
    QFETCH(uint, maximum);
    QFETCH(QString, line);
    QCOMPARE(QString::fromStdString(stressLogLine(receipt, print, total, maximum)), line);
}

QTEST_MAIN(RunsTest)
#include "tst_runs.moc"
