// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: opening a document or web address with the user's default program.
#pragma once

#include <QString>

namespace dirlix::modBrowseTo {

/**
 * Hands @p target (the full path of a local document, or a web address) to the desktop through
 * desktopOpener(). Does not wait, does not look at the outcome and reports nothing: a target
 * that cannot be opened simply opens nothing.
 */
void BrowseTo(const QString& target);

} // namespace dirlix::modBrowseTo
