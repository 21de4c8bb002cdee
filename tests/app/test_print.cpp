// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: Print and Export PDF of the list as shown: whole documents, and their text read
// back with pdftotext.
#include "app/FileListModel.h"
#include "app/ListWorkspace.h"
#include "app/PrintCommands.h"
#include "app/frmMain.h"
#include "search/FixtureTree.h"
#include "platform/FileSystem.h"
#include "support/Command.h"
#include "support/TempDir.h"

#include <QAction>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <regex>

using namespace dirlix;
using namespace dirlix::test;

namespace {

const std::string kLongName = "a-very-long-name-" + std::string(180, 'x') + "-end";

std::vector<WalkBlock> rowsOfFolders(int folders, int filesEach)
{
    std::vector<WalkBlock> blocks(static_cast<std::size_t>(folders));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        blocks[b].folder = std::make_shared<const FolderPath>(nullptr, "/data/folder" + std::to_string(b) + "/");
        for (int i = 0; i < filesEach; ++i) {
            const std::string name = b == 0 && i == 7 ? kLongName : "file-" + std::to_string(b) + "-" + std::to_string(i);
            blocks[b].entries.push_back({std::uint32_t(blocks[b].names.size()), std::uint32_t(name.size()),
                                         {(i * 7919 + int(b)) % 100000, 1700000000, 1700000000 + i}});
            blocks[b].names += name;
        }
    }
    return blocks;
}

// The rows of a pdftotext -layout text, page by page: each page must start with the heading
// and the captions; a row is its first two words (name and size).
std::vector<std::pair<std::string, std::string>> rowsOfPdf(const std::string& text, int& pages, QStringList& problems)
{
    std::vector<std::pair<std::string, std::string>> rows;
    pages = 0;
    // NFKC: the PDF may draw "fi" as one ligature glyph, which pdftotext gives back as U+FB01.
    const QString all = QString::fromStdString(text).normalized(QString::NormalizationForm_KC);
    for (const QString& page : all.split(QLatin1Char('\f'), Qt::SkipEmptyParts)) {
        QStringList lines = page.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (lines.size() < 3 || page.trimmed().isEmpty())
            continue;
        ++pages;
        if (!lines[0].contains(QStringLiteral("Page %1").arg(pages)) || !lines[0].contains(QStringLiteral("File list")))
            problems << QStringLiteral("page %1 heading: %2").arg(pages).arg(lines[0]);
        const QStringList captions = lines[2].simplified().split(QLatin1Char(' '));
        if (captions != QStringList{"File", "Size", "Attrib", "Created", "Modified", "Directory"})
            problems << QStringLiteral("page %1 captions: %2").arg(pages).arg(lines[2]);
        for (qsizetype i = 3; i < lines.size(); ++i) {
            const QStringList words = lines[i].simplified().split(QLatin1Char(' '));
            if (words.size() >= 2)
                rows.emplace_back(words[0].toStdString(), words[1].toStdString());
        }
    }
    return rows;
}

// The count of pages of the PDF document @p bytes, or -1 when it is not a whole PDF file: the header,
// the end-of-file marker and as many page objects as the page tree counts.
int pdfPages(const std::string& bytes)
{
    if (!bytes.starts_with("%PDF-1.") || bytes.rfind("%%EOF") == std::string::npos ||
        bytes.rfind("%%EOF") + 8 < bytes.size())
        return -1;
    const std::regex page(R"(/Type\s*/Page[^s])"), count(R"(/Type\s*/Pages[^>]*/Count\s+(\d+))");
    const auto pages = std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator());
    std::smatch counted;
    if (!std::regex_search(bytes, counted, count) || std::stol(counted[1]) != pages)
        return -1;
    return int(pages);
}

// A window holding 300 rows sorted by Size, exported with Export PDF to list.pdf and printed to
// printed.pdf in @p tmp; @p shown receives the rows as shown (name and size).
void printSortedRows(frmMain& window, const TempDir& tmp, std::vector<std::pair<std::string, std::string>>& shown)
{
    window.show();
    window.model()->appendBlocks(rowsOfFolders(3, 100), "dd/mm/yy HH:MM:SS");
    // Sorted by Size: the printout follows the list as shown, not the walk.
    QSignalSpy applied(window.workspace(), &ListWorkspace::orderApplied);
    QHeaderView* header = window.ListView1->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    QVERIFY(applied.count() > 0 || applied.wait(10000));
    Row row;
    for (auto rows = window.shownRows(); rows->next(row);)
        shown.emplace_back(std::string(row.name), std::to_string(row.values.size));
    QVERIFY(std::is_sorted(shown.begin(), shown.end(), [](const auto& a, const auto& b) {
        return std::stoll(a.second) < std::stoll(b.second);
    }));

    QSignalSpy exported(window.exporter(), &ExportController::finished);
    PrintCommands::setChoosePdf([&](QWidget*, const QString&) { return QString::fromStdString(tmp / "list"); });
    window.printing()->pdfAction->trigger();
    QVERIFY(exported.wait(20000));
    QVERIFY2(window.exporter()->lastResult().ok, window.exporter()->lastResult().error.c_str());
    QCOMPARE(window.exporter()->lastResult().rows, 300u);

    // Print, page by page on the window's thread.
    PrintCommands::setSetUpPrinter([&](QWidget*, QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(tmp / "printed.pdf"));
        return true;
    });
    QSignalSpy printedSpy(window.printing(), &PrintCommands::printFinished);
    window.printing()->printAction->trigger();
    QVERIFY(printedSpy.wait(20000));
    QCOMPARE(printedSpy.first().first().toBool(), true);
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frmMain::setFailureDialogsShown(false); }
    void cleanup()
    {
        PrintCommands::setChoosePdf({});
        PrintCommands::setSetUpPrinter({});
    }

    // Catches a PDF cut short or left unfinished, Print and Export PDF giving different page
    // counts, everything on one page, and a stopped export that leaves a file.
    void exportAndPrintWriteWholeDocumentsAndStopLeavesNone()
    {
        TempDir tmp;
        frmMain window;
        std::vector<std::pair<std::string, std::string>> shown;
        printSortedRows(window, tmp, shown);
        if (QTest::currentTestFailed())
            return;
        const int pages = pdfPages(readFile(tmp / "list.pdf"));
        QVERIFY2(pages > 1, std::to_string(pages).c_str());
        QCOMPARE(pdfPages(readFile(tmp / "printed.pdf")), pages);

        // Stopped: nothing is left where the document would have gone.
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        window.model()->appendBlocks(rowsOfFolders(100, 2000), "yyyy");
        PrintCommands::setChoosePdf([&](QWidget*, const QString&) { return QString::fromStdString(tmp / "big.pdf"); });
        window.printing()->pdfAction->trigger();
        window.stopButton()->click();
        QVERIFY(exported.wait(60000));
        QVERIFY(window.exporter()->lastResult().stopped);
        QVERIFY(!QFile::exists(QString::fromStdString(tmp / "big.pdf")));
    }

    // Catches rows printed out of the shown order or lost at a page break, a page without the
    // heading or captions, a long name running into the next column, and Print and Export PDF
    // differing, by the text pdftotext reads back.
    void printedTextFollowsTheListAsShownWithCaptionsOnEveryPage()
    {
        if (fsys::kSeparator != '/')
            QSKIP("the text is read back with pdftotext through a POSIX shell, which this system has not");
        if (runCommand("command -v pdftotext >/dev/null").status != 0)
            QSKIP("pdftotext (poppler-utils) is not installed");
        TempDir tmp;
        frmMain window;
        std::vector<std::pair<std::string, std::string>> shown;
        printSortedRows(window, tmp, shown);
        if (QTest::currentTestFailed())
            return;
        const CommandResult text = runCommand("pdftotext -layout '" + tmp / "list.pdf" + "' -");
        QCOMPARE(text.status, 0);
        int pages = 0;
        QStringList problems;
        auto printed = rowsOfPdf(text.out, pages, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(pages > 1);
        // The long name is cut with an ellipsis and its size still stands in its own column.
        QCOMPARE(printed.size(), shown.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (shown[i].first == kLongName) {
                QVERIFY(printed[i].first.size() < kLongName.size() && printed[i].first.find("...") != std::string::npos /* the ellipsis, after NFKC */);
                printed[i].first = kLongName;
            }
        }
        QVERIFY(printed == shown);

        int printedPages = 0;
        const auto onPaper = rowsOfPdf(runCommand("pdftotext -layout '" + tmp / "printed.pdf" + "' -").out, printedPages, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QCOMPARE(onPaper.size(), shown.size());
        QCOMPARE(printedPages, pages);
    }
};

QTEST_MAIN(PrintTest)
#include "test_print.moc"
