// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Options dialog, which holds the five output settings.
#pragma once

#include "output/FormatDate.h"
#include "output/modListToText.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dirlix {

/**
 * The Options dialog. Its controls are the live output settings: the search reads dateFormat()
 * and the text export reads textFormat() whenever they need them, edits not yet confirmed
 * included. The main window creates it hidden once, calls LoadSettings, shows it modeless from
 * its Options menu and destroys it only when it closes itself. OK hides the dialog and saves the
 * five settings; Cancel, Esc and closing it through its frame hide it and reload them.
 * The settings live in the per-user store under the product's CompanyName and Name
 * (AppProduct()).
 */
class frmOptions : public QDialog {
    Q_OBJECT

public:
    /** Builds the dialog hidden, with the controls at their design values. */
    explicit frmOptions(QWidget* parent = nullptr);

    /**
     * Reads UseQuotes, UsePath, UseFilename, DateFormat and TextFormat from the store into the
     * controls, in that order. A missing key gives its default; a check-box text other than
     * "0" or "1" gives that key's default. Never fails: an unreadable store gives the defaults.
     */
    void LoadSettings();

    /** The date pattern in force: the current text of DateFormat. */
    QString dateFormat() const;
    /** The line template in force: the current text of TextFormat. */
    QString textFormat() const;

    /** Default of the check-box keys. */
    static inline const QString kDefaultCheck = QStringLiteral("1");
    /** Default of DateFormat. */
    static inline const QString kDefaultDateFormat = QString::fromLatin1(kDefaultDatePattern);
    /** Default of TextFormat: a double quote, %6%1, a double quote. */
    static inline const QString kDefaultTextFormat = QString::fromLatin1(modListToText::kDefaultTemplate);

    // The dialog's controls, by their design names. Owned by the dialog; never null.
    QGroupBox* Frame1;      ///< "Text Output": the three check boxes and their labels.
    QCheckBox* UseQuotes;   ///< Enclose the composed template in double quotes.
    QCheckBox* UsePath;     ///< Put the folder placeholder %6 in the composed template.
    QCheckBox* UseFilename; ///< Put the file-name placeholder %1 in the composed template.
    QLabel* Label1;         ///< "Include Quotes", the text of UseQuotes.
    QLabel* Label2;         ///< "Path", the text of UsePath.
    QLabel* Label3;         ///< "Filename", the text of UseFilename.
    QGroupBox* Frame2;      ///< "Date Format": holds DateFormat.
    QComboBox* DateFormat;  ///< Editable date pattern with 19 presets; any typed text is kept.
    QLabel* Label4;         ///< "Text Format", above TextFormat.
    QLineEdit* TextFormat;  ///< The line template of the text export.
    QPushButton* cmdOk;     ///< "OK", the default button (Enter).
    QPushButton* cmdCancel; ///< "Cancel" (Esc does the same).

    /** Esc and the frame's close button end here: the same as cmdCancel. */
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

    /**
     * Tells the user that SaveSettings failed, with @p message naming the file. Shows a warning
     * box; tests override it.
     */
    virtual void reportSaveFailure(const QString& message);

private:
    void buildControls();
    void SaveSettings();
    void ComposeTemplate();
    void cmdOk_Click();
    void cmdCancel_Click();
    void UseQuotes_Click();
    void UsePath_Click();
    void UseFilename_Click();
};

} // namespace dirlix
