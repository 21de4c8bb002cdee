// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the list as a workspace: header sorts, the find bar, row commands, copies and drops.
#include "app/ExportController.h"
#include "app/FileListModel.h"
#include "app/FindBar.h"
#include "app/ListWorkspace.h"
#include "app/OpenList.h"
#include "app/RowActions.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/frmOptions.h"
#include "product/DesktopRecorder.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "app/WorkspaceNames.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QCollator>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QThread>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <numeric>

#include <filesystem>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// A tree with ties in every column, numbered names, the system's odd names (a line feed, bytes
// that are no UTF-8), a hidden and a read-only file.
void makeWorkspaceTree(const TempDir& tmp)
{
    makeDirs(tmp / "b dir");
    makeDirs(tmp / "a");
    const std::time_t day = localTime(2024, 5, 1, 12, 0, 0);
    const std::pair<std::string, int> files[] = {
        {"file10.txt", 30}, {"file2.txt", 10}, {"File1.txt", 30}, {"b dir/with space.txt", 20},
        {"a/file2.txt", 10}, {"a/.hidden", 0}, {oddNames().lineFeed, 5}, {oddNames().undecodable, 20}};
    int i = 0;
    for (const auto& [name, size] : files) {
        writeFile(tmp / name, std::string(std::size_t(size), 'x'));
        setTimes(tmp / name, day + (i++ % 3) * 3600);
    }
    std::filesystem::permissions(tmp / "file2.txt", std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                        std::filesystem::perms::others_read);
}

// The rows the window's outputs would write now, as full paths with "/" between their parts.
std::vector<std::string> shownPaths(const frmMain& window)
{
    std::vector<std::string> paths;
    auto rows = window.shownRows();
    for (Row row; rows->next(row);)
        paths.push_back(genericSeparators(std::string(row.folder) + std::string(row.name)));
    return paths;
}

// The walk-order rows with their values, copied.
struct Found {
    std::string path, name, folder, attrib;
    std::int64_t size, modified;
};
std::vector<Found> walkRows(const frmMain& window)
{
    std::vector<Found> found;
    auto rows = window.model()->list().rows();
    for (Row row; rows->next(row);)
        found.push_back({genericSeparators(std::string(row.folder) + std::string(row.name)), std::string(row.name),
                         std::string(row.folder), {}, row.values.size, row.values.modified});
    for (std::size_t i = 0; i < found.size(); ++i)
        found[i].attrib = window.model()->data(window.model()->index(int(i), 2)).toString().toStdString();
    return found;
}

void searchIn(frmMain& window, const std::string& folder)
{
    QSignalSpy finished(window.search(), &SearchController::finished);
    window.txtDir->setText(QDir::toNativeSeparators(QString::fromStdString(folder))); // as the user types it
    window.cmdSearch->click();
    QVERIFY(finished.wait(10000));
}

void clickHeader(frmMain& window, int column)
{
    QSignalSpy applied(window.workspace(), &ListWorkspace::orderApplied);
    QHeaderView* header = window.ListView1->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    QVERIFY(applied.count() > 0 || applied.wait(10000));
}

void typeFind(frmMain& window, const QString& text, bool wholePath = false)
{
    QSignalSpy applied(window.workspace(), &ListWorkspace::orderApplied);
    window.workspace()->findAction->trigger();
    window.workspace()->findBar()->wholePath->setChecked(wholePath);
    window.workspace()->findBar()->text->clear();
    QTest::keyClicks(window.workspace()->findBar()->text, text);
    while (window.workspace()->busy())
        QVERIFY(applied.wait(10000));
}

QString collated(const std::string& text)
{
    return QString::fromUtf8(text);
}

} // namespace

class ListWorkspaceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { frmMain::setFailureDialogsShown(false); }

    void headerStatesSortStablyOnEveryColumnAndOutputsFollow()
    {
        TempDir tmp;
        makeWorkspaceTree(tmp);
        makeDirs(tmp / "out");
        struct OutputFolder { // where the outputs write, for this test only
            explicit OutputFolder(const std::string& folder) { qputenv("TMPDIR", QByteArray::fromStdString(folder)); }
            ~OutputFolder() { qputenv("TMPDIR", saved); }
            QByteArray saved = qgetenv("TMPDIR");
        } out(tmp / "out");
        DesktopRecorder recorder;
        frmMain window;
        window.show();
        searchIn(window, tmp / "");
        const std::vector<Found> walk = walkRows(window);
        std::vector<std::string> walkPaths;
        for (const Found& f : walk)
            walkPaths.push_back(f.path);
        QCOMPARE(shownPaths(window), walkPaths);

        QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
        collator.setNumericMode(true);
        using Less = std::function<bool(const Found&, const Found&)>;
        const std::pair<int, Less> columns[] = {
            {0, [&](const Found& a, const Found& b) { return collator.compare(collated(a.name), collated(b.name)) < 0; }},
            {1, [](const Found& a, const Found& b) { return a.size < b.size; }},
            {2, [](const Found& a, const Found& b) { return a.attrib < b.attrib; }},
            {4, [](const Found& a, const Found& b) { return a.modified < b.modified; }},
            {5, [&](const Found& a, const Found& b) { return collator.compare(collated(a.folder), collated(b.folder)) < 0; }}};
        for (const auto& [column, less] : columns) {
            for (bool descending : {false, true}) {
                std::vector<Found> expected = walk;
                std::stable_sort(expected.begin(), expected.end(),
                                 [&](const Found& a, const Found& b) { return descending ? less(b, a) : less(a, b); });
                std::vector<std::string> paths;
                for (const Found& f : expected)
                    paths.push_back(f.path);
                clickHeader(window, column);
                QCOMPARE(window.ListView1->horizontalHeader()->sortIndicatorSection(), column);
                QCOMPARE(window.ListView1->horizontalHeader()->sortIndicatorOrder(),
                         descending ? Qt::DescendingOrder : Qt::AscendingOrder);
                QVERIFY2(shownPaths(window) == paths, qPrintable(QString::number(column)));
                // A walk may list a folder's entries in order already (wine lists them sorted), so
                // an ascending order may be the walk's; a descending one never is on this tree.
                if (descending)
                    QVERIFY2(paths != walkPaths, qPrintable(QStringLiteral("column %1 sorts as the walk goes: "
                                                                       "the tree cannot show that it sorts").arg(column)));
            }
            clickHeader(window, column); // the third click: walk order again, as at first
            QCOMPARE(window.ListView1->horizontalHeader()->sortIndicatorSection(), -1);
            QVERIFY(!window.model()->ordered());
            QCOMPARE(shownPaths(window), walkPaths);
        }

        // Natural order: a number in a name counts as a number.
        clickHeader(window, 0);
        const std::vector<std::string> byName = shownPaths(window);
        const auto at = [&](const std::string& path) { return std::find(byName.begin(), byName.end(), path); };
        QVERIFY(at(tmp / "file2.txt") < at(tmp / "file10.txt"));
        clickHeader(window, 0);
        clickHeader(window, 0);

        // Output to Text after a descending Size sort writes the rows in that order, names as bytes.
        window.options()->TextFormat->setText(QStringLiteral("%1|%2"));
        clickHeader(window, 1);
        clickHeader(window, 1);
        std::vector<Found> bySize = walk;
        std::stable_sort(bySize.begin(), bySize.end(), [](const Found& a, const Found& b) { return a.size > b.size; });
        std::string expected;
        for (const Found& f : bySize)
            expected += f.name + "|" + std::to_string(f.size) + "\r\n";
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        window.mnuFileText->trigger();
        QVERIFY(exported.wait(10000));
        QCOMPARE(readFile(tmp / "out/filelist.txt"), expected);
    }

    void nameSortAgreesWithTheCollatorOnManyNames()
    {
        // Names that share long starts, differ in case and numbers, and repeat: the byte keys and
        // their sort must give what comparing with the collator one pair at a time gives.
        FileList list;
        std::vector<QString> names;
        std::uint32_t seed = 20261207;
        const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        const QString parts[] = {QStringLiteral("report"), QStringLiteral("Report "), QStringLiteral("report-final"),
                                 QStringLiteral("é"), QStringLiteral("e"), QStringLiteral("_"), QStringLiteral("10"),
                                 QStringLiteral("9"), QStringLiteral("0010"), QStringLiteral(".txt")};
        for (int i = 0; i < 3000; ++i) {
            QString name;
            for (int p = 1 + int(next() % 4); p > 0; --p)
                name += parts[next() % std::size(parts)];
            names.push_back(name);
            list.appendRow(name.toStdString());
        }
        QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
        collator.setNumericMode(true);
        for (bool descending : {false, true}) {
            std::vector<std::uint32_t> expected(names.size());
            std::iota(expected.begin(), expected.end(), 0u);
            std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
                return collator.compare(names[descending ? b : a], names[descending ? a : b]) < 0;
            });
            const auto order = sortedOrder(*list.rows(), 0, descending);
            QVERIFY(order && *order == expected);
        }
    }

    void findBarNarrowsByNameMaskAndPathThenEscRestores()
    {
        TempDir tmp;
        makeWorkspaceTree(tmp);
        frmMain window;
        window.show();
        searchIn(window, tmp.path());
        const std::vector<std::string> walk = shownPaths(window);
        const auto expect = [&](const std::function<bool(const std::string&)>& take) {
            std::vector<std::string> kept;
            std::copy_if(walk.begin(), walk.end(), std::back_inserter(kept), take);
            return kept;
        };
        const auto nameOf = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };

        typeFind(window, QStringLiteral("FILE1"));
        QCOMPARE(shownPaths(window), expect([&](const std::string& p) {
                     return QString::fromStdString(nameOf(p)).contains(QStringLiteral("file1"), Qt::CaseInsensitive);
                 }));
        QVERIFY(window.workspace()->rowsLabel()->text().startsWith(
            QStringLiteral("%1 of %2 rows").arg(window.model()->rowCount()).arg(walk.size())));

        typeFind(window, QStringLiteral("f*?.TXT"));
        QCOMPARE(shownPaths(window), expect([&](const std::string& p) {
                     const std::string n = nameOf(p);
                     return n.size() > 5 && (n[0] | 0x20) == 'f' && n.substr(n.size() - 4) == ".txt";
                 }));

        // A name that holds invalid UTF-8 (or on Windows, other than ASCII) is found by its readable
        // part; the whole path by a folder.
        typeFind(window, QStringLiteral("BAD"));
        QCOMPARE(shownPaths(window), expect([&](const std::string& p) { return nameOf(p) == oddNames().undecodable; }));
        const QString folderPart = QStringLiteral("b dir") + QChar::fromLatin1(fsys::kSeparator);
        typeFind(window, folderPart, true);
        QCOMPARE(shownPaths(window), expect([](const std::string& p) { return p.find("b dir/") != std::string::npos; }));
        typeFind(window, folderPart, false);
        QVERIFY(shownPaths(window).empty());

        // With a sort in force, narrowing keeps it; Esc clears the text and closes the bar.
        clickHeader(window, 1);
        typeFind(window, QStringLiteral("file"));
        const std::vector<std::string> sortedFiles = shownPaths(window);
        QTest::keyClick(window.workspace()->findBar()->text, Qt::Key_Escape);
        QVERIFY(window.workspace()->findBar()->isHidden());
        QVERIFY(window.workspace()->findBar()->text->text().isEmpty());
        QSignalSpy applied(window.workspace(), &ListWorkspace::orderApplied);
        while (window.workspace()->busy())
            QVERIFY(applied.wait(10000));
        QCOMPARE(int(shownPaths(window).size()), int(walk.size()));
        QVERIFY(sortedFiles.size() < walk.size());

        // The find bar takes the filters' masks, character classes included; one still being typed shows nothing.
        const auto finds = [](const char* text, const char* name) {
            FindMatcher matcher(QString::fromUtf8(text));
            const std::string folder = std::string(1, fsys::kSeparator) + "f" + fsys::kSeparator;
            return matcher.matches(Row{name, folder, FileRecord{}, "", nullptr, 0, 7, {}, {}});
        };
        QVERIFY(finds("a*b*c", "AxbYbZc") && !finds("a*b?c", "abc") && finds("*É*", "café"));
        QVERIFY(finds("file[0-9]*", "File7.txt") && !finds("file[!0-9]*", "file7.txt") && !finds("*[0-9", "a1"));
    }

    void rowCommandsCopyAndReachTheDesktopWithExactPaths()
    {
        TempDir tmp;
        makeWorkspaceTree(tmp);
        DesktopRecorder recorder;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        searchIn(window, tmp.path());
        FileListModel* model = window.model();
        QTableView* view = window.ListView1;

        // Control characters show as symbols in the view only.
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString shown = model->index(row, 0).data().toString();
            const QString text = model->index(row, 0).data(Qt::EditRole).toString();
            QVERIFY(!shown.contains(QLatin1Char('\n')));
            QCOMPARE(shown == text, !text.contains(QLatin1Char('\n')));
        }

        const auto rowOf = [&](const std::string& name) {
            for (int row = 0; row < model->rowCount(); ++row)
                if (model->index(row, 0).data(Qt::EditRole).toString() == QString::fromUtf8(name))
                    return row;
            return -1;
        };
        const int spaced = rowOf("with space.txt"), bad = rowOf(oddNames().undecodable);
        QVERIFY(spaced >= 0 && bad >= 0);
        const auto pathOf = pathOfFileUrl;

        // Double-click and Enter open the file; Open Containing Folder opens (or shows) its folder.
        view->setFocus();
        const QPoint cell = view->visualRect(model->index(spaced, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell); // a double-click begins with a click
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(recorder.targets.size(), 1);
        QCOMPARE(pathOf(recorder.targets.last()), tmp / "b dir/with space.txt");
        view->setCurrentIndex(model->index(bad, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(pathOf(recorder.targets.last()), tmp / oddNames().undecodable);
        window.workspace()->rows()->openFolderAction->trigger();
        QCOMPARE(pathOf(recorder.targets.last()), tmp / "");
        QVERIFY(QUrl(recorder.targets.last()).isLocalFile());

        // Ctrl+C: the visible columns with a header line; Ctrl+Shift+C: full paths.
        view->clearSelection();
        view->selectionModel()->select(model->index(spaced, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->select(model->index(bad, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QStringList lines{QStringLiteral("File\tSize\tAttrib\tCreated\tModified\tDirectory")};
        for (int row : {std::min(spaced, bad), std::max(spaced, bad)}) {
            QStringList cells;
            for (int column = 0; column < 6; ++column)
                cells << model->index(row, column).data(Qt::EditRole).toString();
            lines << cells.join(QLatin1Char('\t'));
        }
        QCOMPARE(QApplication::clipboard()->text(), lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const QList<QUrl> urls = QApplication::clipboard()->mimeData()->urls();
        QCOMPARE(urls.size(), 2);
        QVERIFY(QDir::fromNativeSeparators(QApplication::clipboard()->text())
                    .split(QLatin1Char('\n'))
                    .contains(QString::fromStdString(tmp / "b dir/with space.txt")));
        QCOMPARE(pathOf(urls[spaced < bad ? 1 : 0].toString(QUrl::FullyEncoded)), tmp / oddNames().undecodable);

        // A folder dropped on the window goes into the directory box; a file gives its folder.
        for (const auto& [dropped, folder] : {std::pair{tmp / "a", tmp / "a/"}, {tmp / "b dir/with space.txt", tmp / "b dir/"}}) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
            // Straight to the window's drop handler: Qt hands a drop only to the target of a real drag.
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QVERIFY(window.workspace()->eventFilter(window.txtDir, &enter) && enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QVERIFY(window.workspace()->eventFilter(&window, &drop));
            QCOMPARE(QDir::fromNativeSeparators(window.txtDir->text()), QString::fromStdString(folder));
        }
    }

    // Open List stops within a fraction of a second, even while the view is behind the reading,
    // keeping the rows read; a file without line feeds is refused after its first MiB, not read
    // whole into memory.
    void openListStopsAtOnceAndRefusesAFileWithoutLines()
    {
        TempDir tmp;
        std::string rows;
        const std::string separator = fsys::kSeparator == '/' ? "/" : "\\\\"; // as a JSON string holds it
        const std::string folder = separator + "d" + separator;
        for (int row = 0; row < 1000000; ++row)
            rows += "{\"path\":\"" + folder + "n" + std::to_string(row) + "\"}\n";
        writeFile(tmp / "big.jsonl", rows);
        writeFile(tmp / "noline.jsonl", std::string(4 << 20, ' '));
        FileListModel model;
        OpenList reading(&model, [] { return std::string("yyyy"); });
        QSignalSpy finished(&reading, &OpenList::finished);
        reading.start(QString::fromStdString(tmp / "big.jsonl"));
        // No event loop runs here, so the view takes nothing and the reading soon waits for it.
        QElapsedTimer waited;
        waited.start();
        while (reading.rowsRead() < 100000 && waited.elapsed() < 20000)
            QThread::msleep(5);
        reading.stop();
        waited.restart();
        QVERIFY(finished.wait(5000));
        QVERIFY2(waited.elapsed() < 1000, "Stop took a second or more");
        QVERIFY(reading.lastSummary().stopped);
        QVERIFY(reading.lastSummary().error.isEmpty());
        QVERIFY(model.rowCount() > 0 && model.rowCount() < 1000000);

        reading.start(QString::fromStdString(tmp / "noline.jsonl"));
        QVERIFY(finished.wait(5000));
        QVERIFY2(reading.lastSummary().error.startsWith("line 1: longer than"),
                 qPrintable(reading.lastSummary().error));
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(ListWorkspaceTest)
#include "test_list_workspace.moc"
