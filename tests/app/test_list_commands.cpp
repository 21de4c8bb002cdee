// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: File, Open List and Compare With List in the main window.
#include "app/CompareModel.h"
#include "app/FindBar.h"
#include "app/FileListModel.h"
#include "app/ListCommands.h"
#include "app/ListWorkspace.h"
#include "app/OpenList.h"
#include "app/RowActions.h"
#include "app/SaveListAs.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/JsonLines.h"
#include "platform/FileSystem.h"
#include "platform/ReplacingFile.h"
#include "search/FixtureTree.h"
#include "app/WorkspaceNames.h"
#include "support/FifoWatch.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace dirlix;
using namespace dirlix::test;

class ListCommandsTest : public QObject {
    Q_OBJECT
private slots:
    // A saved list opens as the very rows that were saved; compared with the tree after a file
    // was added, one grown and one removed, only those three show, each with its change, and the
    // outputs write them; a new search leaves the comparison.
    void openedListsShowTheirRowsAndComparisonsTheirDifferences()
    {
        frmMain::setFailureDialogsShown(false);
        TempDir tmp;
        // Windows names are UTF-16 text without control characters: there the odd name has a space
        // and a þ where POSIX names have a tab and a byte that is no UTF-8.
        for (const std::string& name : {std::string("tree/keep"), std::string("tree/grow"), std::string("tree/gone"),
                                        oddNames().inSubfolder}) {
            makeDirs((tmp / name).substr(0, (tmp / name).rfind('/')));
            writeFile(tmp / name, name);
        }
        frmMain window;
        QString chosen;
        ListCommands::setFileChooser([&](QWidget*, const QString&) { return chosen; });
        QSignalSpy searched(window.search(), &SearchController::finished);
        // Folders as the user types them: the system's separators.
        const auto typed = [](const std::string& folder) { return QDir::toNativeSeparators(QString::fromStdString(folder)); };
        window.txtDir->setText(typed(tmp / "tree"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        const auto before = rowsOf(window.model()->list());
        ReplacingFile file(tmp / "saved.jsonl");
        ExportProgress progress;
        QVERIFY(JsonLinesExporter(window.model()->locale()).write(*window.shownRows(), file, progress).ok);

        chosen = QString::fromStdString(tmp / "saved.jsonl");
        window.model()->clear();
        QSignalSpy read(window.lists()->reading(), &OpenList::finished);
        window.lists()->openAction()->trigger();
        QVERIFY(read.wait(5000));
        QCOMPARE(rowsOf(window.model()->list()), before);
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("saved.jsonl")), qPrintable(window.statusText()->text()));

        writeFile(tmp / "tree/new", "");
        writeFile(tmp / "tree/grow", "grown by a few bytes");
        std::filesystem::remove(fsPath(tmp / "tree/gone"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        QSignalSpy compared(window.lists(), &ListCommands::compared);
        window.lists()->compareAction()->trigger();
        QVERIFY(compared.wait(5000));
        const QAbstractItemModel* shown = window.ListView1->model();
        QCOMPARE(shown, window.lists()->comparison());
        QCOMPARE(shown->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Change"));
        QVERIFY(window.ListView1->isColumnHidden(7) && window.ListView1->isColumnHidden(8) &&
                !window.ListView1->isColumnHidden(6));
        // The find bar narrows the list, not the differences: it is not offered while they are shown.
        QVERIFY(!window.workspace()->findAction->isEnabled() && window.workspace()->findBar()->isHidden());
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("1 added, 1 removed, 1 changed")),
                 qPrintable(window.statusText()->text()));
        QMap<QString, QString> changes; // path -> change, size
        int removedRow = -1;
        for (int row = 0; row < shown->rowCount(); ++row) {
            const auto text = [&](int column) { return shown->index(row, column).data().toString(); };
            if (text(0) == QStringLiteral("Removed"))
                removedRow = row;
            changes[QDir::fromNativeSeparators(text(6)) + text(1)] = text(0) + " " + text(2);
            if (text(0) == QStringLiteral("Changed"))
                QVERIFY(shown->index(row, 3).data(Qt::ToolTipRole).toString().contains(QStringLiteral("9 bytes")));
        }
        const QString tree = QString::fromStdString(tmp / "tree/");
        QCOMPARE(changes, (QMap<QString, QString>{{tree + "new", "Added 0"}, {tree + "grow", "Changed 20"},
                                                  {tree + "gone", "Removed 9"}}));
        // The row commands take the differences' rows, not the list's rows at the same places.
        window.ListView1->selectRow(removedRow);
        window.workspace()->rows()->copyPathsAction->trigger();
        QCOMPARE(QDir::fromNativeSeparators(QApplication::clipboard()->text()), tree + "gone\n");
        window.workspace()->rows()->copyRowsAction->trigger();
        QVERIFY2(QApplication::clipboard()->text().contains(QStringLiteral("\nRemoved\tgone\t9\t")),
                 qPrintable(QApplication::clipboard()->text()));
        QTRY_VERIFY(window.workspace()->rowsLabel()->text().startsWith(QStringLiteral("1 selected")));
        std::size_t written = 0;
        Row row;
        for (auto rows = window.shownRows(); rows->next(row);)
            ++written;
        QCOMPARE(written, std::size_t(3));
        // Save List As writes the differences with their Change column first.
        const auto& types = SaveListAs::fileTypes();
        const int csvType = int(std::find_if(types.begin(), types.end(), [](const auto& t) { return t.key == "csv"; }) -
                                types.begin());
        SaveListAs::setChooseFile([&](QWidget*, const QString&, int) {
            return std::optional(SaveListAs::Choice{QString::fromStdString(tmp / "differences.csv"), csvType});
        });
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        window.mnuFileSaveAs->trigger();
        QVERIFY(exported.wait(5000));
        SaveListAs::setChooseFile({});
        const std::string text = readFile(tmp / "differences.csv");
        QVERIFY2(text.starts_with("Change,File,Size,") && text.find("\r\nRemoved,gone,9,") != std::string::npos,
                 text.c_str());

        window.cmdSearch->click();
        QCOMPARE(window.ListView1->model(), window.model());
        // Back to the list: its key columns are hidden again, so Directory stays the last one shown.
        QVERIFY(window.ListView1->isColumnHidden(6) && window.ListView1->isColumnHidden(7));
        QVERIFY(window.workspace()->findAction->isEnabled());
        QVERIFY(searched.wait(5000));
        // After a search of one folder of the tree, the saved files outside it are not removed.
        window.txtDir->setText(typed(tmp / "tree/sub"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        window.lists()->compareAction()->trigger();
        QVERIFY(compared.wait(5000));
        QCOMPARE(window.lists()->comparison()->rowCount(), 0);
        QVERIFY(!window.statusText()->text().contains(QStringLiteral("no file of the list")));
        // A folder of which the list holds nothing (written another way): every file added, and said so.
        makeDirs(tmp / "other");
        writeFile(tmp / "other/x", "x");
        window.txtDir->setText(typed(tmp / "other"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        window.lists()->compareAction()->trigger();
        QVERIFY(compared.wait(5000));
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("no file of the list lies in the folder searched")),
                 qPrintable(window.statusText()->text()));
        // A FIFO is never opened: with no writer, its reading would wait for ever.
        if (!FifoWatch::supported()) {
            ListCommands::setFileChooser({});
            QSKIP("this system has no FIFOs (Windows): the checks before this one ran, this one cannot");
        }
        chosen = QString::fromStdString(tmp / "fifo");
        FifoWatch fifo(tmp / "fifo");
        window.lists()->openAction()->trigger();
        window.lists()->compareAction()->trigger();
        QVERIFY(!window.lists()->isRunning());
        QVERIFY(!fifo.opened());
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("is a FIFO")), qPrintable(window.statusText()->text()));
        QCOMPARE(window.ListView1->model(), window.lists()->comparison()); // refused before what is shown goes
        ListCommands::setFileChooser({});
    }

    // Stop ends a comparison soon also while every row read is unchanged.
    void stopEndsAComparisonOfUnchangedRows()
    {
        TempDir tmp;
        // One saved row, "/x/a" in the system's separators.
        const std::string folder = std::string(1, fsys::kSeparator) + "x" + fsys::kSeparator;
        std::string line = "{\"path\":";
        appendJsonString(line, folder + "a");
        writeFile(tmp / "saved.jsonl", line + "}\n");
        struct SameRow : RowSource {
            explicit SameRow(std::string folderText) : folder(std::move(folderText)) {}
            std::string folder;
            std::atomic<bool> stop{false};
            std::size_t read = 0;
            bool next(Row& row) override
            {
                stop = true;
                row = {};
                row.name = "a";
                row.folder = folder;
                row.values.flags = RecordValuesUnknown;
                return ++read <= 100000;
            }
        } rows(folder);
        const Comparison result = Comparison::make(rows, tmp / "saved.jsonl", {}, "", &rows.stop);
        QVERIFY(result.stopped);
        QVERIFY2(rows.read < 100000, std::to_string(rows.read).c_str());
    }
};

QTEST_MAIN(ListCommandsTest)
#include "test_list_commands.moc"
