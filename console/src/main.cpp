// kasmon: the service console for the RX-410F and RX-520L fiscal registers.
#include "Dialogs.h"
#include "Pictures.h"
#include "Unit1.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answered before any window exists, so it works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Использование: kasmon [-tech]\n\n"
                        "Сервисная консоль фискальных регистраторов RX-410F и RX-520L.\n\n"
                        "  -tech    открыть сервисный режим без ввода пароля\n"
                        "  --pictures КАТАЛОГ\n"
                        "           сохранить снимки всех страниц и окон (с -tech) и выйти\n"
                        "  --help   эта справка\n");
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(kasmon::TForm1::applicationTitle());
    kasmon::installRussianTranslations();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    kasmon::TForm1 form1(kasmon::StartupOptions{{}, arguments});
    if (form1.startupRefused()) {
        return 1;
    }
    if (const QString folder = kasmon::picturesFolder(arguments); !folder.isEmpty()) {
        return kasmon::savePictures(form1, folder);
    }
    form1.show();
    return QApplication::exec();
}
