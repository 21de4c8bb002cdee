// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: asking the desktop's file manager to show a file selected in its folder.
#pragma once

#include <QString>

#include <functional>

namespace dirlix {

/**
 * Asks the file manager to show @p fileUrl (a file URL) selected in its folder, without waiting
 * for it. Returns false at once when no file manager offers that here; otherwise true, and
 * @p failed runs later on this thread if the file manager answers with an error.
 */
bool showItemsInFileManager(const QString& fileUrl, std::function<void()> failed);

} // namespace dirlix
