// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the list laid out on printed pages: a page heading, the column captions, the rows.
#pragma once

#include "output/ColumnTexts.h"
#include "search/RowSource.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>

class QPainter;

namespace dirlix {

/** What the top of every page says besides its number. */
struct PageHeading {
    QString startFolder; ///< where the search began; may be empty
    QString made;        ///< when the list was printed, as a text
};

/**
 * Paints rows onto pages, one page per call, so that a printer on the window's thread can be
 * fed page by page between events and a PDF writer on a worker thread in a loop. Each page has a
 * heading (start folder, date, page number), the captions File, Size, Attrib, Created, Modified
 * and Directory, and as many rows as fit. The columns share the page's width: Size, Attrib and
 * the dates as wide as their texts in the first row, File and Directory the rest; a text too long
 * for its column is cut with an ellipsis (a folder in the middle, so its last part stays), never
 * drawn into the next column. The rows are read once, in the source's order.
 */
class ListPages {
public:
    ListPages(RowSource& rows, const DateLocale& locale, PageHeading heading);

    /**
     * Lays the pages out for @p painter's device, whose printable area is @p page (device units).
     * Reads the first row. Call before paintPage().
     */
    void begin(QPainter& painter, const QRectF& page);
    /** True when a row is waiting for a page (false once every row is painted, or for no rows). */
    bool morePages() const { return mHavePending; }
    /** Paints the next page; the first page is painted even when there are no rows. */
    void paintPage(QPainter& painter);

    std::uint64_t rowsPainted() const { return mRowsPainted; }
    int pagesPainted() const { return mPage; }

private:
    bool readRow();

    RowSource& mRows;
    RowTexts mTexts;
    PageHeading mHeading;
    QFont mFont, mBold;
    QRectF mArea;
    double mLine = 0;
    double mColumnLeft[7] = {};
    QStringList mPending; ///< the next row's six texts
    QString mLastFolder, mLastFolderCut; ///< the folder cut last, and how it was cut
    const QFont* mLastFolderFont = nullptr;
    bool mHavePending = false;
    std::uint64_t mRowsPainted = 0;
    int mPage = 0;
};

} // namespace dirlix
