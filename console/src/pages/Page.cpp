#include "pages/Page.h"

#include "Unit1.h"

namespace kasmon {

Page::Page(TForm1& form, QWidget* parent) : QWidget(parent), form_(form) {}

ConsoleState& Page::state() const {
    return form_.state();
}

} // namespace kasmon
