// The groups of the "Операции" page that the others work with: the article
// line, the print options, the payment that closes a receipt and the receipt
// box. The page fills it in as it makes its groups; only actions read it.
#pragma once

namespace kasmon {

class OptionsGroup;
class ReceiptGroup;
class ReceiptInfoGroup;
class SaleGroup;

struct OperationsDesk {
    SaleGroup* sale = nullptr;
    OptionsGroup* options = nullptr;
    ReceiptGroup* receipt = nullptr;
    ReceiptInfoGroup* info = nullptr;
};

} // namespace kasmon
