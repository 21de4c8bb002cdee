// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Help menu commands of the main window.
#pragma once

namespace dirlix {

/**
 * Help, Contents (F1): opens the local help page, index.html in the help folder beside the
 * executable (see HelpFolder), with BrowseTo. Does not check that the page exists.
 */
void mnuHelpContents_Click();

/** Help, FAQ: opens the product's FAQ page (FAQURL) with BrowseTo. */
void mnuHelpFAQ_Click();

/** Help, Support: opens the product's support page (SupportURL) with BrowseTo. */
void mnuHelpSupport_Click();

} // namespace dirlix
