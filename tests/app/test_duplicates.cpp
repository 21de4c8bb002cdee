// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: File, Find Duplicates in the main window, and the duplicates window's row commands.
#include "app/ChecksumCommands.h"
#include "app/DuplicateCommands.h"
#include "app/DuplicateModel.h"
#include "app/DuplicateWindow.h"
#include "app/ExportController.h"
#include "app/FileListModel.h"
#include "app/RowActions.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "product/DesktopRecorder.h"
#include "search/FixtureTree.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Searches @p folder in @p window and waits for the list.
bool searchIn(frmMain& window, const std::string& folder)
{
    QSignalSpy searched(window.search(), &SearchController::finished);
    window.txtDir->setText(QString::fromStdString(folder));
    window.cmdSearch->click();
    return searched.wait(10000);
}

// The list index of the file at @p path in the window's list; -1 when it is not listed.
int listIndexOf(frmMain& window, const std::string& path)
{
    std::string folder;
    const FileList& list = window.model()->list();
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Row row = list.row(i, folder);
        if (std::string(row.folder) + std::string(row.name) == path)
            return int(i);
    }
    return -1;
}

// The rows of the duplicates window as "group|size|path".
QStringList shownRows(const DuplicateWindow& results)
{
    QStringList rows;
    const DuplicateModel* model = results.model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + QLatin1Char('|') + model->index(r, 1).data().toString() +
                    QLatin1Char('|') + model->index(r, 2).data().toString();
    return rows;
}

// A file of @p size bytes that repeats @p seed, with the byte at @p changeAt (when in range) changed.
void writePattern(const std::string& path, std::size_t size, char seed, std::size_t changeAt = SIZE_MAX)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char(seed + char(i % 251));
    if (changeAt < size)
        bytes[changeAt] = char(bytes[changeAt] ^ 0x55);
    writeFile(path, bytes);
}

} // namespace

class DuplicatesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { frmMain::setFailureDialogsShown(false); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    // The groups are exactly the files of one content: not a pair that differs in its last byte,
    // nor one that differs only in the middle (same size, same ends), nor a hard link to a file
    // already counted, nor empty files. They come with the largest waste first, each group's files
    // in walk order, and the status bar names the groups, files and freed bytes in the locale's
    // numbers. A selection narrows the search to its rows. Refused with nothing to look in.
    void windowShowsExactlyTheGroupsInWastedOrder()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TempDir tmp;
        const std::string tree = tmp / "tree";
        for (const char* folder : {"a", "b", "c", "d"})
            makeDirs(tree + "/" + folder);
        // A triple of 20,000 bytes (40,000 wasted) and a pair of 50,000 (50,000 wasted): the pair first.
        for (const char* path : {"/a/copy1", "/b/copy2", "/c/copy3"})
            writePattern(tree + path, 20000, 'a');
        for (const char* path : {"/b/pair1", "/d/pair2"})
            writePattern(tree + path, 50000, 'p');
        QCOMPARE(::link((tree + "/a/copy1").c_str(), (tree + "/d/copy1-link").c_str()), 0);
        writePattern(tree + "/a/last1", 30000, 'l');
        writePattern(tree + "/c/last2", 30000, 'l', 29999);
        writePattern(tree + "/a/middle1", 30001, 'm');
        writePattern(tree + "/d/middle2", 30001, 'm', 15000);
        writePattern(tree + "/c/linked", 7000, 'h');
        QCOMPARE(::link((tree + "/c/linked").c_str(), (tree + "/b/linked-too").c_str()), 0);
        writeFile(tree + "/a/empty1");
        writeFile(tree + "/b/empty2");

        frmMain window;
        const QList<QAction*> items = window.mnuFile->actions(); // right after Checksums, Exit still last
        QCOMPARE(items.indexOf(window.duplicates()->action()), items.indexOf(window.checksums()->menuAction()) + 1);
        QCOMPARE(items.back(), window.mnuFileExit);
        QSignalSpy done(window.duplicates(), &DuplicateCommands::finished);
        window.duplicates()->action()->trigger(); // nothing listed yet
        QCOMPARE(done.count(), 1);
        QVERIFY(!window.duplicates()->isRunning() && !window.duplicates()->results());
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("no list")), qPrintable(window.statusText()->text()));

        QVERIFY(searchIn(window, tree));
        window.duplicates()->action()->trigger();
        QVERIFY(window.duplicates()->isRunning() && window.stopButton()->isVisibleTo(&window));
        QVERIFY(done.wait(10000));
        QVERIFY(window.stopButton()->isHidden());
        DuplicateWindow* results = window.duplicates()->results();
        QVERIFY(results && results->isVisible() && results->isWindow());

        // Each group's files in walk order, the order of the main list; of a file and its hard link,
        // the one met first stands for both.
        const auto rowsOf = [&](const char* group, std::vector<std::string> paths) {
            std::sort(paths.begin(), paths.end(), [&](const std::string& x, const std::string& y) {
                return listIndexOf(window, x) < listIndexOf(window, y);
            });
            QStringList rows;
            for (const std::string& path : paths)
                rows << QString::fromLatin1(group) + QString::fromStdString(path);
            return rows;
        };
        const std::string kept = listIndexOf(window, tree + "/a/copy1") < listIndexOf(window, tree + "/d/copy1-link")
                                     ? tree + "/a/copy1"
                                     : tree + "/d/copy1-link";
        QCOMPARE(shownRows(*results), rowsOf("1|50000|", {tree + "/b/pair1", tree + "/d/pair2"}) +
                                          rowsOf("2|20000|", {kept, tree + "/b/copy2", tree + "/c/copy3"}));
        QCOMPARE(results->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Group"));
        QCOMPARE(results->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Path"));
        const QString summary = results->statusText()->text();
        QVERIFY2(summary.contains(QStringLiteral("2 groups")) && summary.contains(QStringLiteral("5 files")) &&
                     summary.contains(QStringLiteral("90.000 bytes")),
                 qPrintable(summary));
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("90.000 bytes")), qPrintable(window.statusText()->text()));

        // With a selection only its rows are looked at: here the triple's, not the pair's.
        window.ListView1->clearSelection();
        for (const std::string& path : {tree + "/a/copy1", tree + "/b/copy2", tree + "/c/copy3"})
            window.ListView1->selectionModel()->select(window.model()->index(listIndexOf(window, path), 0),
                                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window.duplicates()->action()->trigger();
        QVERIFY(done.wait(10000));
        QCOMPARE(window.duplicates()->results(), results); // the same window, with the new groups
        QCOMPARE(shownRows(*results), rowsOf("1|20000|", {tree + "/a/copy1", tree + "/b/copy2", tree + "/c/copy3"}));
        QVERIFY2(results->statusText()->text().contains(QStringLiteral("40.000 bytes")), qPrintable(results->statusText()->text()));

        // None found: the status bar says among how many files.
        window.ListView1->clearSelection();
        window.ListView1->selectRow(listIndexOf(window, tree + "/a/last1"));
        window.duplicates()->action()->trigger();
        QVERIFY(done.wait(10000));
        QCOMPARE(results->model()->rowCount(), 0);
        QCOMPARE(results->statusText()->text(), QStringLiteral("No duplicates among 1 file."));
    }

    // Open, Open Containing Folder, Copy Full Path and Copy Rows reach the desktop and the clipboard
    // with the row's own file, whatever bytes its name holds, on the rows of the duplicates window.
    void rowCommandsWorkOnTheDuplicateRows()
    {
        TempDir tmp;
        const std::string tree = tmp / "tree";
        makeDirs(tree + "/one");
        makeDirs(tree + "/two \xFE");
        writeFile(tree + "/one/report.txt", "the same words");
        writeFile(tree + "/two \xFE/report #2.txt", "the same words");
        DesktopRecorder recorder;
        frmMain window;
        QVERIFY(searchIn(window, tree));
        QSignalSpy done(window.duplicates(), &DuplicateCommands::finished);
        window.duplicates()->action()->trigger();
        QVERIFY(done.wait(10000));
        DuplicateWindow* results = window.duplicates()->results();
        QVERIFY(results);
        QCOMPARE(results->model()->rowCount(), 2);
        QTableView* view = results->view();
        int odd = -1;
        for (int r = 0; r < 2; ++r)
            if (results->model()->index(r, 0).data(RowFilePathRole).toByteArray().contains('\xFE'))
                odd = r;
        QVERIFY(odd >= 0);
        const std::string oddPath = tree + "/two \xFE/report #2.txt";
        const std::string oddFolder = tree + "/two \xFE/";
        view->setCurrentIndex(results->model()->index(odd, 2));

        results->rows()->openAction->trigger();
        QCOMPARE(recorder.targets, QStringList{RowActions::fileUrl(oddPath)});
        results->rows()->openFolderAction->trigger();
        QCOMPARE(recorder.targets.back(), RowActions::fileUrl(oddFolder));
        QTest::keyClick(view, Qt::Key_Return); // Enter opens, as a double-click does
        QCOMPARE(recorder.targets.size(), 3);
        QCOMPARE(recorder.targets.back(), RowActions::fileUrl(oddPath));

        results->rows()->copyPathsAction->trigger();
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), QString::fromUtf8(oddPath + "\n"));
        QCOMPARE(copied->urls().size(), 1);
        QCOMPARE(copied->urls().front(), QUrl(RowActions::fileUrl(oddPath), QUrl::StrictMode));
        view->selectAll();
        results->rows()->copyRowsAction->trigger();
        const std::string first = odd == 0 ? oddPath : tree + "/one/report.txt";
        const std::string second = odd == 0 ? tree + "/one/report.txt" : oddPath;
        QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("Group\tSize\tPath\n1\t14\t" + first + "\n1\t14\t" +
                                                                      second + "\n"));

        // A desktop that cannot take the file: said in the window's status bar.
        DesktopRecorder refusing(false);
        results->rows()->openAction->trigger();
        QVERIFY2(results->statusText()->text().contains(QStringLiteral("No program")), qPrintable(results->statusText()->text()));
    }

    // Stop ends the search at once, also inside a byte-for-byte compare of two files and a checksum
    // of three, each far too large to read in the time waited, and shows nothing; so do a new
    // search and the window's end. Other work on the list is refused meanwhile; an output is not,
    // and its end leaves the Stop in place.
    void stopEndsTheReadingOfHugeFiles()
    {
        TempDir tmp;
        for (const char* folder : {"pair", "triple"})
            makeDirs(tmp / folder);
        for (const char* path : {"pair/huge1", "pair/huge2", "triple/huge1", "triple/huge2", "triple/huge3"}) {
            std::ofstream(tmp / path).close();
            std::filesystem::resize_file(tmp / path, std::uintmax_t(256) << 30); // sparse: no space taken
        }
        for (const char* folder : {"pair", "triple"}) {
            frmMain window;
            QVERIFY(searchIn(window, tmp / folder));
            QSignalSpy done(window.duplicates(), &DuplicateCommands::finished);
            window.duplicates()->action()->trigger();
            QVERIFY(window.duplicates()->isRunning());
            QSignalSpy refused(window.checksums(), &ChecksumCommands::finished);
            window.checksums()->actionOf(HashAlgorithm::Xxh128)->trigger();
            QCOMPARE(refused.count(), 1);
            QVERIFY(!window.checksums()->isRunning() && window.duplicates()->isRunning());
            window.duplicates()->action()->trigger(); // a second one while the first runs
            QCOMPARE(done.count(), 1);
            QVERIFY2(window.statusText()->text().contains(QStringLiteral("still being looked for")),
                     qPrintable(window.statusText()->text()));
            // An output written meanwhile leaves the Stop of the finding that goes on.
            DesktopRecorder recorder;
            QSignalSpy exported(window.exporter(), &ExportController::finished);
            window.mnuFileText->trigger();
            QVERIFY(exported.wait(10000));
            QCOMPARE(recorder.targets.size(), 1);
            QVERIFY(window.duplicates()->isRunning() && window.stopButton()->isVisibleTo(&window));
            QVERIFY(window.stopShortcut()->isEnabled());
            QTest::qWait(300); // well into the reading of the huge files
            QVERIFY(window.duplicates()->isRunning());
            window.stopButton()->click();
            QVERIFY2(done.wait(20000), folder);
            QVERIFY(!window.duplicates()->isRunning() && window.stopButton()->isHidden());
            QVERIFY(!window.duplicates()->results());
            QVERIFY2(window.statusText()->text().contains(QStringLiteral("stopped")), qPrintable(window.statusText()->text()));

            // A new search while finding stops it: its groups would be of rows that are gone.
            window.duplicates()->action()->trigger();
            QVERIFY(window.duplicates()->isRunning());
            QSignalSpy searched(window.search(), &SearchController::finished);
            window.cmdSearch->click();
            QVERIFY(done.wait(20000));
            QVERIFY(!window.duplicates()->results());
            QVERIFY(searched.count() == 1 || searched.wait(10000));

            // Closing the window while finding: it ends, and the thread with it.
            window.duplicates()->action()->trigger();
            QVERIFY(window.duplicates()->isRunning());
            window.close();
        }
    }
};

QTEST_MAIN(DuplicatesTest)
#include "test_duplicates.moc"
