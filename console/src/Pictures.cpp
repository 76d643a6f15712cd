#include "Pictures.h"

#include "Dialogs.h"
#include "Unit1.h"
#include "Unit2.h"
#include "pages/ArticlesPage.h"
#include "pages/Page.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

namespace kasmon {

namespace {

// Nothing may wait for an answer while the pictures are taken: every box is
// printed and counted as a failure.
class NoBoxes final : public Dialogs {
  public:
    MessageButton message(const MessageRequest& request) override {
        std::fprintf(stderr, "kasmon: box \"%s\": %s\n", qPrintable(request.title),
                     qPrintable(request.text));
        ++shown;
        return MessageButton::Cancel;
    }
    QString openFileName(const FileRequest&) override { return {}; }
    QString saveFileName(const FileRequest&) override { return {}; }
    int runModal(QDialog&) override {
        ++shown;
        return 0;
    }
    int shown = 0;
};

// Lays the window out and draws it as it stands on the screen.
bool save(QWidget& window, const QString& folder, const QString& name) {
    window.show();
    window.raise();
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "kasmon: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

QWidget* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

QString picturesFolder(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--pictures"));
    return at < 0 ? QString() : arguments.value(at + 1, QStringLiteral("."));
}

int savePictures(TForm1& form, const QString& folder) {
    NoBoxes boxes;
    Dialogs::install(&boxes);
    const auto done = [&boxes](int code) {
        Dialogs::install(nullptr);
        return boxes.shown == 0 ? code : 1;
    };
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "kasmon: cannot make %s\n", qPrintable(folder));
        return done(1);
    }
    form.show();
    QApplication::processEvents();
    if (auto* connect = form.findChild<QPushButton*>(QStringLiteral("connection.connect"))) {
        connect->click();
    }
    if (!form.state().Connected || !form.state().ServiceMode) {
        std::fprintf(stderr, "kasmon: the link did not open in service mode\n");
        return done(1);
    }
    int page = 1;
    for (Page* shown : form.pages()) {
        form.pageControl()->setCurrentWidget(shown);
        if (!save(form, folder,
                  QStringLiteral("page-%1-%2").arg(page++).arg(shown->objectName()))) {
            return done(1);
        }
    }
    TForm2& stress = form.findChild<ArticlesPage*>()->stressWindow();
    QWidget* composite = topLevel(QStringLiteral("form4"));
    const bool saved = save(stress, folder, QStringLiteral("window-stress")) && composite &&
                       save(*composite, folder, QStringLiteral("window-composite-tax"));
    stress.hide();
    if (composite != nullptr) {
        composite->hide();
    }
    form.pageControl()->setCurrentIndex(0);
    return done(saved ? 0 : 1);
}

} // namespace kasmon
