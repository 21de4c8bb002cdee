// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where no file manager interface is known, the caller opens the folder instead.
#include "platform/FileManagerItems.h"

namespace dirlix {

bool showItemsInFileManager(const QString&, std::function<void()>)
{
    return false;
}

} // namespace dirlix
