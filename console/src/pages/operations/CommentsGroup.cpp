#include "pages/operations/CommentsGroup.h"

#include "DriverText.h"
#include "pages/operations/OptionsGroup.h"
#include "pages/operations/ReceiptGroup.h"
#include "pages/operations/ReceiptInfoGroup.h"

#include <kasdrv.h>
#include <kashost/Status.h>

#include <QLineEdit>
#include <QPushButton>

#include <tuple>
#include <utility>

namespace kasmon {

CommentsGroup::CommentsGroup(Page& page, const OperationsDesk& desk)
    : PageGroup(page, "commentsGroup", QStringLiteral(" Комментарии и штрих-коды: "),
                {242, 178, 263, 94}),
      desk_(desk) {
    QGroupBox* g = box();
    // A field and its button on one line; the bar codes only on the RX-410F.
    const auto line = [this, g](const char* name, const char* caption, int maxLength,
                                const char* buttonName, const char* text, int y, bool barCode) {
        QLineEdit* edit = governed(kit::edit(g, named(name), kit::editAt(8, y + 1, 150), maxLength),
                                   QString::fromUtf8(caption));
        QPushButton* button = governed(
            kit::button(g, named(buttonName), QString::fromUtf8(text), kit::buttonAt(162, y, 93)));
        if (barCode) {
            rows().end()[-2].shownFor(ModelVisibility::only410f(false));
            rows().back().shownFor(ModelVisibility::only410f(false));
        }
        return std::pair{edit, button};
    };
    std::tie(comment_, commentButton_) =
        line("comment", "текст комментария", 27, "commentButton", "Комментарий", 16, false);
    std::tie(ean13_, ean13Button_) =
        line("ean13", "цифры EAN-13", 13, "ean13Button", "EAN 13", 41, true);
    std::tie(code128_, code128Button_) =
        line("code128", "текст CODE 128", 16, "code128Button", "CODE 128", 66, true);

    connect(commentButton_, &QPushButton::clicked, this, &CommentsGroup::commentClicked);
    connect(ean13Button_, &QPushButton::clicked, this, &CommentsGroup::ean13Clicked);
    connect(code128Button_, &QPushButton::clicked, this, &CommentsGroup::code128Clicked);
}

void CommentsGroup::commentClicked() {
    const std::optional<kashost::RegisterStatus> status = call(kashost::readStatus());
    if (!status) {
        return;
    }
    if (!status->receiptOpen) {
        desk_.info->clear();
    }
    // An empty comment is sent as it is.
    if (!call(FPComment(toDriverText(comment_->text()).constData(), 0))) {
        return;
    }
    if (desk_.options->autoClose()) {
        desk_.receipt->closeReceipt();
    }
}

void CommentsGroup::ean13Clicked() {
    if (ean13_->text().isEmpty()) {
        return;
    }
    if (!call(FPPrintEAN13(toDriverText(ean13_->text()).constData()))) {
        return;
    }
    checkPaper();
}

void CommentsGroup::code128Clicked() {
    call(FPSetBarCode(toDriverText(code128_->text()).constData()));
}

} // namespace kasmon
