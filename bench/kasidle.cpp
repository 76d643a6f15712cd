// The console at rest: the main window connected to an emulator in service
// mode shows each page in turn for a while, then lies minimised; prints the
// share of one core that the console's thread (and the whole process, the
// emulator's thread included) used meanwhile.
//
//   kasidle [--seconds N] [--always-tick]
//
// 60 s a page by default; offscreen unless QT_QPA_PLATFORM says otherwise.
// --always-tick keeps the about text's timer running off screen too, as the
// console did before it rested, for comparison.
#include "AboutScroller.h"
#include "Dialogs.h"
#include "Unit1.h"

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

// Any box the console would show is printed instead; nothing waits for a user.
class PrintedDialogs final : public kasmon::Dialogs {
  public:
    kasmon::MessageButton message(const kasmon::MessageRequest& r) override {
        std::fprintf(stderr, "box \"%s\": %s\n", qPrintable(r.title), qPrintable(r.text));
        return kasmon::MessageButton::Ok;
    }
    QString openFileName(const kasmon::FileRequest&) override { return {}; }
    QString saveFileName(const kasmon::FileRequest&) override { return {}; }
    int runModal(QDialog&) override { return 0; }
};

double CpuSeconds(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the event loop for the given time; prints the CPU shares of that time.
void Measure(const QString& what, int seconds) {
    const double thread0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double process0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto wall0 = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    // Padded by characters, not bytes: the page names are Cyrillic.
    std::printf("%s %8.1f %10.2f %10.2f\n", qPrintable(what.leftJustified(24)), wall,
                100.0 * (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0) / wall,
                100.0 * (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0) / wall);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool alwaysTick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (a == "--always-tick") {
            alwaysTick = true;
        } else {
            std::fprintf(stderr, "usage: kasidle [--seconds N] [--always-tick]\n");
            return 2;
        }
    }
    if (seconds < 1) {
        std::fprintf(stderr, "kasidle: --seconds wants a positive number\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    char tmpl[] = "/tmp/kasidle-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);
    int rc = 0;
    {
        QApplication app(argc, argv);
        PrintedDialogs dialogs;
        kasmon::Dialogs::install(&dialogs);
        kasemu::EmulatorOptions opt;
        opt.linkPath = dir + "/com1";
        opt.linesPerSecond = 0;
        kasemu::Emulator emu(opt);

        kasmon::TForm1 form(kasmon::StartupOptions{{}, {QStringLiteral("-tech")}});
        form.show();
        if (auto* connect = form.findChild<QPushButton*>(QStringLiteral("connection.connect"))) {
            connect->click();
        }
        if (!form.state().Connected) {
            std::fprintf(stderr, "kasidle: the console did not connect to the emulator\n");
            rc = 1;
        } else {
            std::printf("%-24s %8s %10s %10s\n", "page", "wall s", "thread %", "process %");
            QTabWidget* pages = form.pageControl();
            auto* scroller = form.findChild<kasmon::AboutArea*>(QStringLiteral("connection.about"));
            if (scroller == nullptr) {
                std::fprintf(stderr, "kasidle: the about area is gone\n");
                return 1;
            }
            QTimer& about = scroller->timer();
            for (int i = 0; i < pages->count(); ++i) {
                pages->setCurrentIndex(i);
                if (alwaysTick) {
                    about.start();
                }
                Measure(pages->tabText(i).trimmed(), seconds);
            }
            pages->setCurrentIndex(0);
            form.setWindowState(Qt::WindowMinimized);
            if (alwaysTick) {
                about.start();
            }
            Measure(QStringLiteral("minimised (Связь)"), seconds);
            form.setWindowState(Qt::WindowNoState);
        }
        kasmon::Dialogs::install(nullptr);
    }
    std::filesystem::remove_all(dir);
    return rc;
}
