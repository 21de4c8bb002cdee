// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Save List As.
#include "app/SaveListAs.h"

#include "output/FolderTotals.h"
#include "output/HtmlExport.h"
#include "output/ListWorkbook.h"
#include "platform/ReplacingFile.h"
#include "output/SettingsStore.h"
#include "output/TextFormats.h"
#include "product/AppProduct.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include <algorithm>

namespace dirlix::SaveListAs {

namespace {

// New keys beside the Options dialog's, in the same section.
const QString kFolderKey = QStringLiteral("SaveListFolder");
const QString kTypeKey = QStringLiteral("SaveListType");
const QString kDefaultType = QStringLiteral("xlsx");

ChooseFile gChooseFile;
ConfirmReplace gConfirmReplace;

QString tr(const char* text)
{
    return QCoreApplication::translate("SaveListAs", text);
}

QString setting(const QString& key, const QString& fallback)
{
    return GetSetting(toQString(AppProduct().CompanyName), toQString(AppProduct().Name), key, fallback);
}

void remember(const QString& key, const QString& value)
{
    // Forgetting the last folder costs a click next time; a settings file that cannot be written
    // is reported when the program starts, so no message here.
    SaveSetting(toQString(AppProduct().CompanyName), toQString(AppProduct().Name), key, value);
}

QString suffixOf(const FileType& type)
{
    return type.pattern.mid(type.pattern.lastIndexOf(QLatin1Char('.')) + 1);
}

// @p path with the suffix of @p type: added to a bare name, and put in place of the suffix of
// another type, so that a name suggested for one type never ends up holding another.
QString withSuffixOf(const QString& path, const FileType& type)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty())
        return path + QLatin1Char('.') + suffixOf(type);
    for (const FileType& other : fileTypes())
        if (suffixOf(other).compare(suffix, Qt::CaseInsensitive) == 0 &&
            suffixOf(type).compare(suffix, Qt::CaseInsensitive) != 0)
            return path.chopped(suffix.size()) + suffixOf(type);
    return path;
}

std::optional<Choice> fileDialog(QWidget* parent, const QString& suggestion, int type)
{
    const auto& types = fileTypes();
    QStringList filters;
    for (const FileType& each : types)
        filters << filterOf(each);
    // The system's dialog shows the suggestion as typed: with the system's separators, as a user writes it.
    QFileDialog dialog(parent, tr("Save List As"), QDir::toNativeSeparators(suggestion));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The question comes after the type's suffix is added, from ask(), so it names the real file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(type));
    dialog.setDefaultSuffix(suffixOf(types[std::size_t(type)]));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
        const qsizetype chosen = filters.indexOf(filter);
        if (chosen < 0)
            return;
        const FileType& type = fileTypes()[std::size_t(chosen)];
        dialog.setDefaultSuffix(suffixOf(type));
        // The name typed so far follows the type, where the dialog tells it before it closes.
        const QStringList typed = dialog.selectedFiles();
        if (!typed.isEmpty() && !QFileInfo(typed.constFirst()).isDir())
            dialog.selectFile(QFileInfo(withSuffixOf(typed.constFirst(), type)).fileName());
    });
    dialog.selectFile(QFileInfo(suggestion).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{dialog.selectedFiles().constFirst(), int(filters.indexOf(dialog.selectedNameFilter()))};
}

bool replaceQuestion(QWidget* parent, const QString& path)
{
    return QMessageBox::question(parent, tr("Save List As"),
                                 tr("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

} // namespace

const std::vector<FileType>& fileTypes()
{
    static const std::vector<FileType> types = [] {
        const auto line = [](LineFormat format) {
            return [format](const ExporterContext& context) { return lineFormatExporter(format, context); };
        };
        return std::vector<FileType>{
            {QStringLiteral("txt"), tr("Text with the line template"), QStringLiteral("*.txt"),
             [](const ExporterContext& context) -> std::unique_ptr<Exporter> {
                 return std::make_unique<modListToText::TemplateExporter>(context.lineTemplate, context.locale);
             }},
            {QStringLiteral("csv"), tr("CSV"), QStringLiteral("*.csv"), line(LineFormat::Csv)},
            {QStringLiteral("tsv"), tr("TSV"), QStringLiteral("*.tsv"), line(LineFormat::Tsv)},
            {QStringLiteral("jsonl"), tr("JSON Lines"), QStringLiteral("*.jsonl"), line(LineFormat::JsonLines)},
            {QStringLiteral("folders-csv"), tr("Folder totals (CSV)"), QStringLiteral("*.csv"),
             line(LineFormat::FolderTotalsCsv)},
            {QStringLiteral("xlsx"), tr("Workbook"), QStringLiteral("*.xlsx"),
             [](const ExporterContext& context) -> std::unique_ptr<Exporter> {
                 ListWorkbookOptions options;
                 options.hashColumn = context.hashColumn;
                 return std::make_unique<ListWorkbook>(context.locale, options);
             }},
            // The rows do not say where the search began: the page's tree starts at the deepest
            // folder that holds every row.
            {QStringLiteral("html"), tr("Web page"), QStringLiteral("*.html"),
             [](const ExporterContext& context) -> std::unique_ptr<Exporter> {
                 return std::make_unique<HtmlExporter>(context.locale, HtmlPageInfo{});
             }},
        };
    }();
    return types;
}

QString filterOf(const FileType& type)
{
    return type.label + QStringLiteral(" (") + type.pattern + QLatin1Char(')');
}

std::unique_ptr<Exporter> lineFormatExporter(LineFormat format, const ExporterContext& context)
{
    const auto rows = [&](TextFormat text) {
        return context.rowFormat ? context.rowFormat(text)
                                 : makeRowExporter(text, context.locale, true, CsvFormulas::Quote, context.hashColumn);
    };
    switch (format) {
    case LineFormat::Csv:
        return rows(TextFormat::Csv);
    case LineFormat::Tsv:
        return rows(TextFormat::Tsv);
    case LineFormat::JsonLines:
        return rows(TextFormat::JsonLines);
    case LineFormat::FolderTotalsCsv:
        // The rows do not say where the search began: the totals start at the deepest folder
        // that holds every row.
        return std::make_unique<FolderTotalsExporter>(TextFormat::Csv);
    }
    return nullptr;
}

void setChooseFile(ChooseFile choose)
{
    gChooseFile = std::move(choose);
}

void setConfirmReplace(ConfirmReplace confirm)
{
    gConfirmReplace = std::move(confirm);
}

Request ask(QWidget* parent, const ExporterContext& context)
{
    const auto& types = fileTypes();
    const auto indexOf = [&](const QString& key) {
        const auto found = std::find_if(types.begin(), types.end(), [&](const FileType& t) { return t.key == key; });
        return found == types.end() ? -1 : int(found - types.begin());
    };
    int type = indexOf(setting(kTypeKey, kDefaultType));
    if (type < 0)
        type = indexOf(kDefaultType);
    QString folder = setting(kFolderKey, QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    const QString suggestion =
        QDir(folder).filePath(QStringLiteral("filelist.") + suffixOf(types[std::size_t(type)]));

    Request request;
    const std::optional<Choice> choice =
        gChooseFile ? gChooseFile(parent, suggestion, type) : fileDialog(parent, suggestion, type);
    if (!choice || choice->path.isEmpty())
        return request;
    if (choice->type < 0 || std::size_t(choice->type) >= types.size()) {
        request.error = tr("The list cannot be saved as that type of file.");
        return request;
    }
    const FileType& chosen = types[std::size_t(choice->type)];
    const QString path = QFileInfo(choice->path).isDir() ? choice->path : withSuffixOf(choice->path, chosen);
    const QFileInfo file(path);

    std::unique_ptr<Exporter> exporter = chosen.make(context);
    if (!exporter) {
        request.error = tr("Saving as %1 is not available in this version; choose another type.").arg(chosen.label);
        return request;
    }
    if (file.isDir()) {
        request.error = tr("%1 is a folder; choose a file name.").arg(QDir::toNativeSeparators(path));
        return request;
    }
    if (file.exists() || file.isSymLink()) {
        const bool replace = gConfirmReplace ? gConfirmReplace(parent, path) : replaceQuestion(parent, path);
        if (!replace)
            return request;
    }
    remember(kFolderKey, file.absolutePath());
    remember(kTypeKey, chosen.key);
    request.job.exporter = std::move(exporter);
    // Saving over a shared file must not make it private, nor a new file be more private than others.
    // The name is the user's choice: a link is followed to the file it names.
    auto target = std::make_unique<ReplacingFile>(QFile::encodeName(path).toStdString());
    target->useUsualPermissions();
    target->followLinks();
    request.job.target = std::move(target);
    return request;
}

} // namespace dirlix::SaveListAs
