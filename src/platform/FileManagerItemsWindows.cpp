// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: showing a file selected in its folder through the Windows shell (Explorer).
#include "platform/FileManagerItems.h"

#include <QDir>
#include <QUrl>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace dirlix {

bool showItemsInFileManager(const QString& fileUrl, std::function<void()>)
{
    const QString path = QDir::toNativeSeparators(QUrl(fileUrl).toLocalFile());
    if (path.isEmpty())
        return false;
    // The shell's item calls need COM on this thread; Qt's window thread normally has it already.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE item = nullptr;
    bool shown = false;
    if (SUCCEEDED(SHParseDisplayName(reinterpret_cast<const wchar_t*>(path.utf16()), nullptr, &item, 0, nullptr))) {
        // With no children given, the folder of the item is opened with the item selected.
        shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    // Explorer answers at once or not at all: a failure is known here, and the caller then
    // opens the folder itself.
    return shown;
}

} // namespace dirlix
