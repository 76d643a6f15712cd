// The actions of the "Артикулы" page and what its bulk run shows.
#include "ArticleTexts.h"
#include "Dialogs.h"
#include "DriverText.h"
#include "LocaleFormat.h"
#include "Unit1.h"
#include "Unit2.h"
#include "pages/ArticlesPage.h"

#include <kasdrv.h>
#include <kashost/Host.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <limits>

namespace kasmon {

namespace {

constexpr int kMaxNameLength = 50;

QString infoTitle() {
    return QStringLiteral("Информация");
}

} // namespace

void ArticlesPage::connectActions() {
    connect(write_, &QPushButton::clicked, this, &ArticlesPage::writeArticle);
    connect(read_, &QPushButton::clicked, this, &ArticlesPage::readArticle);
    connect(memory_, &QPushButton::clicked, this, &ArticlesPage::showArticleMemory);
    // A press while the run goes on arrives inside the run's event handling.
    connect(bulk_, &QPushButton::clicked, this, [this] { bulkRun_.press(); });
    connect(accessCode_, &QLineEdit::textChanged, this, &ArticlesPage::accessCodeChanged);
    connect(stressTest_, &QPushButton::clicked, this, &ArticlesPage::openStressTest);
    connect(form2_.get(), &TForm2::exitPressed, this, &ArticlesPage::lockStressTest);
}

void ArticlesPage::writeArticle() {
    const auto kopecks = LocaleFormat::current().parsePrice(price_->text());
    if (!kopecks || *kopecks > std::numeric_limits<std::int32_t>::max()) {
        error(QStringLiteral("Введите цену в гривнах!"));
        return;
    }
    auto price = static_cast<std::int32_t>(*kopecks);
    if (returnGoods_->isChecked()) {
        price = -price;
    }
    const QByteArray name = toDriverText(name_->text());
    if (!call(FPProgArt(state().ProgPassword, static_cast<std::uint8_t>(decimals_->currentIndex()),
                        price, static_cast<std::uint8_t>(taxGroup_->currentIndex()),
                        name.constData(), static_cast<std::int64_t>(code_->value())))) {
        return;
    }
    information(infoTitle(), QStringLiteral("Операция записи описания товара успешно завершена!"));
}

void ArticlesPage::readArticle() {
    const auto article = call(kashost::readArticle(static_cast<std::int64_t>(code_->value())));
    if (!article) {
        return;
    }
    if (article->nameLength > kMaxNameLength) {
        error(QStringLiteral("Длина наименования превышает допустимую длину!"));
        return;
    }
    const LocaleFormat& format = LocaleFormat::current();
    const QString name = fromDriverText(article->name);
    name_->setText(name);
    if (article->saleDecimals < decimals_->count()) {
        decimals_->setCurrentIndex(article->saleDecimals);
    }
    price_->setText(format.formatHundredths(article->price));
    if (article->taxGroup) {
        taxGroup_->setCurrentIndex(*article->taxGroup);
    }
    ArticleTurnover turnover;
    turnover.saleQuantity = article->saleQuantity;
    turnover.saleDecimals = article->saleDecimals;
    turnover.saleSum = article->saleSum;
    turnover.returnQuantity = article->returnQuantity;
    turnover.returnDecimals = article->returnDecimals;
    turnover.returnSum = article->returnSum;
    information(articleTurnoverTitle(name), articleTurnoverText(turnover, format));
}

void ArticlesPage::showArticleMemory() {
    constexpr std::uint16_t kAddress = 101;
    constexpr std::uint8_t kPage = 16;
    constexpr std::uint8_t kBlock = 4;
    const auto reply = call(kashost::readMemory(kAddress, kPage, kBlock));
    if (!reply) {
        return;
    }
    if (reply->size() != kBlock) {
        error(QStringLiteral("Ответная посылка не соответсвует формату данных!"));
        return;
    }
    const std::uint8_t block[kBlock] = {(*reply)[0], (*reply)[1], (*reply)[2], (*reply)[3]};
    information(QStringLiteral("Память артикулов!"), articleMemoryText(decodeArticleMemory(block)));
}

void ArticlesPage::accessCodeChanged() {
    stressTest_->setEnabled(accessCode_->text() == stressAccessCode());
}

void ArticlesPage::openStressTest() {
    Dialogs::current().runModal(*form2_);
    // The run sells and pays by itself.
    form().fiscal().forget();
}

void ArticlesPage::lockStressTest() {
    stressTest_->setEnabled(false);
    accessCode_->clear();
}

void ArticlesPage::showRunning(bool running) {
    bulk_->setText(running ? QStringLiteral("Стоп!") : QStringLiteral("Программирование товаров"));
}

void ArticlesPage::showProgress(std::uint32_t number, std::uint32_t count) {
    form().statusPanel(1)->setText(QStringLiteral("Товар %1 из %2").arg(number).arg(count));
}

void ArticlesPage::clearProgress() {
    form().statusPanel(1)->clear();
}

void ArticlesPage::reportInterrupted(std::uint32_t lastWritten) {
    information(infoTitle(), QStringLiteral("Запись прервана пользователем на товаре ") +
                                 QString::number(lastWritten));
}

void ArticlesPage::reportCompleted(std::uint32_t lastWritten) {
    information(infoTitle(), QStringLiteral("Запись товаров произведена успешно!") +
                                 QString::number(lastWritten));
}

void ArticlesPage::reportDriverFailure() {
    reportDriverError();
}

} // namespace kasmon
