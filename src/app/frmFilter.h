// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Filter dialog: name masks, size and date ranges, and which folders a search enters.
#pragma once

#include "search/FilterRules.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dirlix {

/**
 * The Filter dialog. It holds the rules in force (rules()), which the main window passes to each
 * search it starts. OK checks every field: a bad value is named in the dialog, which stays open,
 * and nothing is stored; good values become the rules in force and are saved to the settings store
 * (IncludeMasks, ExcludeMasks, CaseSensitive, MinSize, MaxSize, ModifiedAfter, ModifiedBefore,
 * FollowLinks, OneFileSystem, DotFolders in the product's section). Cancel, Esc and the window's
 * close button put the rules in force back into the fields.
 */
class frmFilter : public QDialog {
    Q_OBJECT
public:
    explicit frmFilter(QWidget* parent = nullptr);

    /**
     * Reads the rules from the store into the fields and puts them in force. A missing key, or
     * one whose value cannot be read, sets no rule.
     */
    void LoadSettings();

    /** The rules in force. */
    const FilterRules& rules() const { return mRules; }

    /** Puts no rule in force, saves that and shows empty fields. */
    void clearRules();

    /** The rules in force in words, for the status bar ("*.jpg;*.png, ≥ 1 MB"); empty when none is set. */
    QString describe() const;

    QLineEdit* IncludeMasks;
    QLineEdit* ExcludeMasks;
    QCheckBox* CaseSensitive;
    QLineEdit* MinSize;
    QComboBox* MinSizeUnit;
    QLineEdit* MaxSize;
    QComboBox* MaxSizeUnit;
    QLineEdit* ModifiedAfter;
    QLineEdit* ModifiedBefore;
    QCheckBox* FollowLinks;
    QCheckBox* OneFileSystem;
    QCheckBox* DotFolders;
    QLabel* Problem;        ///< why OK was refused; hidden while there is nothing to say
    QPushButton* cmdClear;  ///< empties every field
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    void accept() override;
    void reject() override;

signals:
    /** New rules were put in force (OK, clearRules()). */
    void rulesChanged();

private:
    void buildControls();
    void showRules();
    void clearFields();
    void saveRules();
    bool readFields(FilterRules& rules, QString& problem, QWidget*& field) const;

    FilterRules mRules;
    QString mAfterText, mBeforeText; // the modified bounds in force as the user wrote them
};

} // namespace dirlix
