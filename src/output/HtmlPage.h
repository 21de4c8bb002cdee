// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the web page's frame (HtmlPage.html), built into the program.
#pragma once

#include <string_view>

namespace dirlix {

/**
 * The page as HtmlPage.html holds it: its style and script, "__NONCE__" where the page's
 * script nonce goes, and "<!--ROWS-->" where the data blocks go.
 */
extern const std::string_view kHtmlPage;

} // namespace dirlix
