// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Save List As: the file types, the file choice and the export it prepares.
#pragma once

#include "app/ExportController.h"
#include "output/DateLocale.h"
#include "output/TextFormats.h"
#include "output/modListToText.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace dirlix::SaveListAs {

/** What an exporter is made from: the list's locale and the line template as it is now. */
struct ExporterContext {
    DateLocale locale;
    modListToText::TemplateSource lineTemplate;
    /**
     * When set, makes the CSV, TSV and JSON Lines exporters in place of the plain ones: while a
     * comparison is shown, they write its Change column first.
     */
    std::function<std::unique_ptr<Exporter>(TextFormat)> rowFormat;
    /** The list shows checksums: CSV, TSV and the workbook get their Hash column. */
    bool hashColumn = false;
};

/** Makes the exporter of one file type; may give null when the type cannot be written yet. */
using ExporterFactory = std::function<std::unique_ptr<Exporter>(const ExporterContext&)>;

/** One type of file the list can be saved as. */
struct FileType {
    QString key;     ///< how the settings remember it: "txt", "csv", "xlsx" ...
    QString label;   ///< the words the dialog shows, such as "Workbook"
    QString pattern; ///< the dialog's name pattern, such as "*.xlsx"; its suffix is what the saved file's name ends in
    ExporterFactory make;
};

/** The types the dialog offers, in its order. */
const std::vector<FileType>& fileTypes();

/** The dialog's filter text of @p type: "Workbook (*.xlsx)". */
QString filterOf(const FileType& type);

/** The line formats beside the line template. */
enum class LineFormat { Csv, Tsv, JsonLines, FolderTotalsCsv };

/**
 * The exporter of @p format. Save List As refuses a type whose factory gives null, so a format
 * added to the table before its exporter exists is named to the user, never written wrongly.
 */
std::unique_ptr<Exporter> lineFormatExporter(LineFormat format, const ExporterContext& context);

/** What the user chose: a path and an index into fileTypes(). */
struct Choice {
    QString path;
    int type = -1;
};

/**
 * Asks for a file: @p suggestion (folder and name) and @p type (an index into fileTypes()) to
 * start with. Returns nothing when the user cancels.
 */
using ChooseFile = std::function<std::optional<Choice>(QWidget* parent, const QString& suggestion, int type)>;
/** Asks whether @p path may be replaced. */
using ConfirmReplace = std::function<bool(QWidget* parent, const QString& path)>;

/** Replaces the file dialog (tests); an empty function brings the dialog back. */
void setChooseFile(ChooseFile choose);
/** Replaces the question before replacing a file (tests); an empty function brings the message box back. */
void setConfirmReplace(ConfirmReplace confirm);

/** A save the user asked for: a job without its rows, or why there is none. */
struct Request {
    /** Exporter and target set when the save is ready; both null when the user cancelled or there was an error. */
    ExportController::Job job;
    /** Why the save cannot be made, in words for the user; empty when ready or cancelled. */
    QString error;
};

/**
 * Asks where and as what to save, starting at the folder and type used last; gives the name the
 * type's suffix (added to a bare name, in place of another type's suffix); refuses a folder and a type that cannot be written; asks before an
 * existing file is replaced; and remembers the folder and type. The target follows a link to the
 * file it names; a regular file is written aside and renamed over, keeping its permissions (a new
 * file gets the usual ones); a device or FIFO is written in place; anything else is refused.
 */
Request ask(QWidget* parent, const ExporterContext& context);

} // namespace dirlix::SaveListAs
