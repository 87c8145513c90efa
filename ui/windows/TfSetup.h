#pragma once

#include "ui/shell/KeyPreview.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QKeyEvent;

namespace Ui {
class TfSetup;
}
class Workspace;

// The setup window: the shop's four text files, the repair days, the
// warranty days and the language. It reads the workspace it is given and reports what the user
// changed with its signals; the files it edits it writes itself.
class TfSetup : public QDialog
{
    Q_OBJECT

public:
    explicit TfSetup(const Workspace& workspace, QWidget* parent = nullptr);
    ~TfSetup() override;

    // Puts the workspace's language texts on this window's controls.
    void ApplyLangTexts();

    // Full paths of the language files, index for index with comboLang's items.
    QStringList LangFiles;

    void FormShow();
    void FormClose();
    void FormKeyDown(QKeyEvent* event);

    // The file of the pressed list button.
    QString button2path() const;
    void spbtClick();
    void spbtSaveClick();
    void spbtExitClick();

    // Fills comboLang and LangFiles from the language folder.
    void LoadLang();
    void comboLangChange(int index);

    // The repair days as typed: a signed 32-bit decimal number, blanks before
    // it allowed; anything else gives 30.
    static int parseDayInc(const QString& text);
    // The warranty days the same way; a negative number too gives 90.
    static int parseWarrantyDays(const QString& text);

    // The edit box's text as the file takes it: lines separated by CR LF.
    QString memText() const;
    // Loads a file's text, every kind of line break becoming a line of the box.
    void setMemText(const QString& text);

    void done(int result) override;

signals:
    // The window closed; the lists it edits may have been saved.
    void closed();
    // Save took these repair days.
    void daysChanged(int days);
    // Save took these warranty days.
    void warrantyDaysChanged(int days);
    // The user picked this language file in comboLang.
    void languageChosen(const QString& fileName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutControls();
    void comboLangEdited(const QString& text);

    const Workspace& m_workspace;
    std::unique_ptr<Ui::TfSetup> m_ui; // the controls, by their object names
    bool m_deleting = false; // the key being typed into comboLang removes text
    KeyPreview m_keyPreview { this };
};
