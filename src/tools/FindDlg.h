#pragma once

#include <QDialog>
#include <QLocale>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lng {

class Workbench;
struct FindOptions;

// The modeless find dialog over the message table.
class FindDlg : public QDialog {
    Q_OBJECT
public:
    explicit FindDlg(Workbench &bench, QWidget *parent = nullptr);

    QLineEdit *FindText() const { return m_findText; }
    QComboBox *SearchCombo() const { return m_searchCombo; }
    QComboBox *LookCombo() const { return m_lookCombo; }
    QCheckBox *MatchCase() const { return m_matchCase; }
    QCheckBox *EntireCell() const { return m_entireCell; }
    QPushButton *FindButton() const { return m_findButton; }
    QPushButton *CloseButton() const { return m_closeButton; }
    QPushButton *Command1() const { return m_stopButton; }
    QLabel *Label1() const { return m_searching; }

    bool isSearching() const { return m_isSearching; }
    // The locale used to read numbers and compare letter case; the user's by default.
    void setLocale(const QLocale &locale) { m_locale = locale; }

    void FindNext();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override; // Esc: the Close button
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetCaptions();
    void ShowSearchControls(bool show);
    void onClose();
    FindOptions options() const;

    Workbench &m_bench;
    QLocale m_locale;
    QLineEdit *m_findText = nullptr;
    QLabel *m_label2 = nullptr;
    QComboBox *m_searchCombo = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QPushButton *m_findButton = nullptr;
    QLabel *m_label3 = nullptr;
    QComboBox *m_lookCombo = nullptr;
    QCheckBox *m_entireCell = nullptr;
    QPushButton *m_closeButton = nullptr;
    QLabel *m_searching = nullptr;
    QPushButton *m_stopButton = nullptr;

    QString m_stopRequest;
    bool m_isSearching = false;
    int m_savedRow = 1;
    int m_savedColumn = 1;
};

} // namespace lng
