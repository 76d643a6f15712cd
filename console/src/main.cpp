// kasmon: the service console for the RX-410F and RX-520L fiscal registers.
#include "Dialogs.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kasmon::TForm1::applicationTitle());
    kasmon::installRussianTranslations();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    kasmon::TForm1 form1(kasmon::StartupOptions{{}, arguments});
    if (form1.startupRefused()) {
        return 1;
    }
    form1.show();
    return QApplication::exec();
}
