// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the About box.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dirlix {

class LinkLabel;

/**
 * The About box: product name, version, comments and the copyright line, which opens the maker's
 * home page when clicked. Created afresh for every Help, About and shown modally; OK, Enter and
 * Esc close it. Its controls are public under their names for the main window and for tests.
 */
class frmAbout : public QDialog {
    Q_OBJECT
public:
    /** Builds the box from its definition, hidden and empty; @p owner is the main window. */
    explicit frmAbout(QWidget* owner = nullptr);

    /**
     * Fills the box: caption, the owner's icon, title, version, comments, copyright.
     * Needs the product information (modGlobal::pProduct) to exist.
     */
    void Init();

    QLabel* picIcon;
    QPushButton* cmdOk;
    QLabel* Label2;
    QLabel* Label1;
    QLabel* lblComments;
    QLabel* lblTitle;
    QLabel* lblVersion;
    LinkLabel* lblCopyright;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void cmdOk_Click();
    void lblCopyright_Click();
};

} // namespace dirlix
