// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: a path as the file URL the desktop opens.
#pragma once

#include <QString>

#include <string_view>

namespace dirlix::platform {

/**
 * The file URL of the absolute path @p path (bytes as the walk keeps them). Every byte is kept,
 * percent-encoded where a URL needs it, so the URL names the very file even where the name is
 * no valid text.
 */
QString fileUrlOf(std::string_view path);

} // namespace dirlix::platform
