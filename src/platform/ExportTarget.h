// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where an export writes: the interface every file and stream writer offers.
#pragma once

#include <string>
#include <string_view>

namespace dirlix {

/**
 * Where an export writes. A file target is written completely before it takes the place of what
 * was there (commit()); until then, and after discard(), nothing at the destination has changed.
 */
class ExportTarget {
public:
    virtual ~ExportTarget() = default;
    /** Gets ready to take bytes. Returns false with error() set when it cannot. */
    virtual bool open() = 0;
    /**
     * As open(), for a writer that writes the file stagingPath() names instead of calling write()
     * (the workbook library writes only by name). A target that needs a file for that makes one.
     */
    virtual bool openForName() { return open(); }
    /** Appends @p bytes. Returns false with error() set on failure. */
    virtual bool write(std::string_view bytes) = 0;
    /** Puts what was written in place. Returns false with error() set on failure; nothing is then in place. */
    virtual bool commit() = 0;
    /** Drops what was written; the destination stays as it was. */
    virtual void discard() = 0;
    /** Why the last operation failed. */
    virtual const std::string& error() const = 0;
    /** The destination as the user knows it; empty for a stream. */
    virtual std::string path() const = 0;
    /**
     * For a writer that needs a file by name (the workbook): the open file that commit() will put
     * in place, to be written by name instead of through write(). Empty for a stream.
     */
    virtual std::string stagingPath() const = 0;
};

} // namespace dirlix
