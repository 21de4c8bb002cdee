// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the folder picker behind the "..." button.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace dirlix::modGetDir {

/**
 * Shows a folder browser titled @p title, starting at @p start, with no owner window; returns the
 * chosen folder or an empty URL when the user cancels. Tests put their own in its place.
 */
using FolderDialog = std::function<QUrl(const QString& title, const QUrl& start)>;

/** Puts @p dialog in place of the real browser; an empty function restores the real one. */
void setFolderDialog(FolderDialog dialog);

/** The folder the browser opens at: the user's desktop folder, or home where there is none. */
QUrl startFolder();

/**
 * The text the picker gives for @p chosen: empty for an empty URL (cancel); a local folder's
 * path with the separator appended when it does not end in one (a root stays as it is); any
 * other location (not a local path) as its URL text, unchanged.
 */
QString ResultText(const QUrl& chosen);

/** Lets the user pick a folder with the browser titled @p title; returns ResultText of the choice. */
QString GetDir(const QString& title);

} // namespace dirlix::modGetDir
