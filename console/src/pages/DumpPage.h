// The " Дамп " page: reads 128 bytes of the register's memory from the page and
// address the user gives, shows them as hexadecimal and saves them to a text file.
#pragma once

#include "pages/Page.h"

#include <QStringList>

#include <optional>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace kasmon {

class DumpPage final : public Page {
    Q_OBJECT
  public:
    explicit DumpPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

    // The font of the display: "Terminal" where it exists, else the platform's
    // fixed-pitch font, or an installed family Qt takes for fixed-pitch when Qt
    // does not take the platform's for one; bold, 16-pixel characters.
    static QFont displayFont();
    // The first installed family Qt reports as fixed-pitch, Cyrillic ones first.
    static std::optional<QString> fixedPitchFamily();

    QGroupBox* dumpGroup() const { return group_; }
    QPlainTextEdit* display() const { return display_; }
    QSpinBox* pageBox() const { return page_; }
    QLineEdit* addressEdit() const { return address_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* saveButton() const { return save_; }
    // The lines the display shows (what "Сохранить" writes).
    const QStringList& shownLines() const { return lines_; }

  public slots:
    void readClicked();
    void saveClicked();

  private:
    void show(const QStringList& lines);

    QGroupBox* group_ = nullptr;
    QPlainTextEdit* display_ = nullptr;
    QSpinBox* page_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* save_ = nullptr;
    QStringList lines_;
};

} // namespace kasmon
