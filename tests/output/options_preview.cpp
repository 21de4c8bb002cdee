// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: shows the Options dialog on its own, for looking at it (scripts/screenshot-options).
#include "output/frmOptions.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dirlix::frmOptions dialog;
    dialog.LoadSettings();
    // The dialog only hides on OK or Cancel; end the preview when it does.
    QObject::connect(&dialog, &QDialog::finished, &app, &QApplication::quit);
    dialog.show();
    return app.exec();
}
