// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the dialog font at the size the fixed window geometries were laid out for.
#pragma once

class QWidget;

namespace dirlix {

/** The point size that the fixed twips geometries of the dialogs were laid out for. */
inline constexpr double kDesignPointSize = 8.25;

/**
 * Caps the font of @p window (and so of its controls) at kDesignPointSize, keeping the system's
 * face: a larger system font would cut off the labels of a fixed-size dialog.
 */
void applyDesignFont(QWidget* window);

} // namespace dirlix
