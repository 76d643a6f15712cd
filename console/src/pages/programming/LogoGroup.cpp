#include "pages/programming/LogoGroup.h"

#include "Dialogs.h"
#include "pages/Widgets.h"

#include <kasdrv.h>

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace kasmon {

LogoGroup::LogoGroup(ProgrammingPage& page)
    : ProgrammingGroup(page, "logoGroup", QStringLiteral(" Логотип торговой точки: ")) {
    // The path on top, the buttons below it, then the attributes.
    QGroupBox* g = box();
    QGridLayout* grid = kit::grid(g);
    // Starts empty: there is no usual place for the file on this system.
    path_ = kit::edit(g, named("logoPath"), {});
    grid->addLayout(kit::row({kit::label(g, QStringLiteral("Путь:"), 0, 0), path_}, false), 0, 0);
    open_ = kit::button(g, named("openLogo"), QStringLiteral("Открыть "), {});
    write_ = kit::button(g, named("writeLogo"), QStringLiteral("Записать  "), {});
    grid->addLayout(kit::row({open_, write_}), 1, 0);
    doubleHeight_ = kit::check(g, named("logoDoubleHeight"), QStringLiteral("Двойная высота"), {});
    invert_ = kit::check(g, named("logoInvert"), QStringLiteral("Инверсия"), {});
    grid->addWidget(doubleHeight_, 2, 0);
    grid->addWidget(invert_, 3, 0);
    grid->setRowStretch(4, 1);
    connect(open_, &QPushButton::clicked, this, &LogoGroup::choose);
    connect(write_, &QPushButton::clicked, this, &LogoGroup::write);
}

std::vector<ControlRow> LogoGroup::controlRows() {
    const QString group = box()->title();
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    return {
        {group, QStringLiteral("Путь:"), path_, on(), off()},
        {group, open_->text(), open_, on(), off()},
        {group, write_->text(), write_, on(), off()},
        {group, doubleHeight_->text(), doubleHeight_, on(), off()},
        {group, invert_->text(), invert_, on(), off()},
    };
}

void LogoGroup::choose() {
    // The path is kept as chosen: on a case-sensitive file system another case
    // names another file.
    const QString file = Dialogs::current().openFileName(
        {&page(), QString(), QString(), QStringLiteral("Bitmaps (*.bmp);;All (*.bmp)")});
    if (!file.isEmpty()) {
        path_->setText(file);
    }
}

void LogoGroup::write() {
    QFile file(path_->text());
    if (!file.open(QIODevice::ReadOnly)) {
        error(file.errorString());
        return;
    }
    const QByteArray bytes = file.readAll();
    // Qt reads the picture (the load error's own text on failure); the
    // register gets the file image itself.
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "bmp");
    const QImage image = reader.read();
    if (image.isNull()) {
        error(reader.errorString());
        return;
    }
    if (bytes.size() > std::numeric_limits<std::int32_t>::max()) {
        error(QStringLiteral("Файл слишком велик."));
        return;
    }
    const FPBitmap bitmap{image.width(), image.height(),
                          reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::uint32_t>(bytes.size())};
    if (!call(FPLoadBMP(state().ProgPassword, static_cast<std::uint16_t>(state().LogoMaxWidth),
                        static_cast<std::uint16_t>(state().LogoMaxHeight), &bitmap,
                        flag(doubleHeight_->isChecked()), flag(invert_->isChecked())))) {
        return;
    }
    information(QStringLiteral("Загрузка логотипа"),
                QStringLiteral("Загрузка логотипа торговой точки успешно завершена!"));
}

} // namespace kasmon
