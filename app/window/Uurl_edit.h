#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
struct UrlEntryFields;

// The row edit dialog: changes one work-table row's folder URL, file name, update frequency and
// priority; the last-modification time is shown only. Created once and reused.
class Tfurl_edit final : public QDialog {
    Q_OBJECT
public:
    explicit Tfurl_edit(QWidget* parent = nullptr);

    // Overwrites all five fields from the row text.
    void FillFromRow(const std::string& row);

    // The row text rebuilt from the fields as they stand.
    std::string BuildRow() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    UrlEntryFields fieldsFromControls() const;
    void FormShow();
    void Button1Click();

    QLineEdit* link = nullptr;
    QLineEdit* filename = nullptr;
    QLabel* lastdate = nullptr;
    QComboBox* changefreq = nullptr;
    QComboBox* priority = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
};
