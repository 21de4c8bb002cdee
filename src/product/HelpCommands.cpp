// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Help menu commands of the main window.
#include "product/HelpCommands.h"

#include "product/AppProduct.h"
#include "product/HelpPages.h"
#include "product/modBrowseTo.h"

#include <QFile>

namespace dirlix {

void mnuHelpContents_Click()
{
    const std::string page = HelpPagePath(QFile::encodeName(AppPath()).toStdString(), "index.html");
    modBrowseTo::BrowseTo(QFile::decodeName(QByteArray::fromStdString(page)));
}

void mnuHelpFAQ_Click()
{
    modBrowseTo::BrowseTo(toQString(AppProduct().FAQURL));
}

void mnuHelpSupport_Click()
{
    modBrowseTo::BrowseTo(toQString(AppProduct().SupportURL));
}

} // namespace dirlix
