// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the main window: definition, search in the background, layout, About box, help.
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "layout/Twips.h"
#include "output/frmOptions.h"
#include "product/DesktopRecorder.h"
#include "product/frmAbout.h"
#include "product/LinkLabel.h"
#include "product/modGlobal.h"
#include "search/modGetDir.h"
#include "search/modSearchDir.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTableView>

#include <thread>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// The walk order of a tree, as the search's engine gives it, for comparison with the window.
std::vector<std::string> walkOrder(const std::string& folder)
{
    FileList list;
    modSearchDir::SearchDir(folder, list, [] { return std::string("dd"); });
    std::vector<std::string> paths;
    for (std::size_t row = 1; row <= list.count(); ++row)
        paths.push_back(list.subItem(row, 5) + list.mainText(row));
    return paths;
}

std::vector<std::string> windowRows(const frmMain& window)
{
    std::vector<std::string> paths;
    const FileList& list = window.model()->list();
    for (std::size_t row = 1; row <= list.count(); ++row)
        paths.push_back(list.subItem(row, 5) + list.mainText(row));
    return paths;
}

void makeTree(const TempDir& tmp, int folders, int filesEach)
{
    for (int f = 0; f < folders; ++f) {
        const std::string folder = tmp / ("f" + std::to_string(f) + "/sub");
        makeDirs(folder);
        for (int i = 0; i < filesEach; ++i)
            writeFile(folder + "/file" + std::to_string(i), "x");
    }
}

QString accessKey(const QString& caption)
{
    const int amp = caption.indexOf(QLatin1Char('&'));
    return amp < 0 ? QString() : caption.mid(amp + 1, 1).toLower();
}

// Presses @p key in the application's modal dialog as soon as it is shown.
void pressInModalSoon(Qt::Key key)
{
    QTimer::singleShot(0, [key] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal)
            QTest::keyClick(modal, key);
    });
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { frmMain::setFailureDialogsShown(false); }

    void definitionAfterLoad()
    {
        frmMain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Dirlix Pro"));
        QCOMPARE(window.centralWidget()->size(), QSize(twipsToPixels(8310), twipsToPixels(3750)));
        QVERIFY(frmMain::TempFolder().endsWith(QLatin1Char('/')));

        // Eight columns, the last two hidden.
        QCOMPARE(window.model()->columnCount(), 8);
        QStringList captions;
        for (int c = 0; c < 8; ++c)
            captions << window.model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"File", "Size", "Attrib", "Created", "Modified", "Directory", "CYMD", "MYMD"}));
        QCOMPARE(window.ListView1->columnWidth(6), 0);
        QCOMPARE(window.ListView1->columnWidth(7), 0);
        QVERIFY(window.ListView1->columnWidth(5) > 0);

        // Right edges of Search and the list, and the list's bottom, 135 twips inside the client area.
        const int inset = twipsToPixels(135);
        QCOMPARE(window.cmdSearch->geometry().right() + 1, window.centralWidget()->width() - inset);
        QCOMPARE(window.ListView1->geometry().bottom() + 1, window.centralWidget()->height() - inset);

        // Menu tree: captions, shortcuts, access keys unique per level.
        const QList<QAction*> bar = window.menuBar()->actions();
        QStringList top;
        for (QAction* a : bar)
            top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Options", "&Help"}));
        QCOMPARE(window.mnuFile->actions().size(), 3);
        QCOMPARE(window.mnuHelpContents->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(window.mnuHelp1->isSeparator());
        for (const QList<QAction*>& level : {bar, window.mnuFile->actions(), window.mnuHelp->actions()}) {
            QSet<QString> keys;
            for (QAction* a : level) {
                if (a->isSeparator())
                    continue;
                const QString key = accessKey(a->text());
                QVERIFY2(!key.isEmpty() && !keys.contains(key), qPrintable(a->text()));
                keys.insert(key);
            }
        }

        // Tab order from the directory box, and the focus there at start.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(QApplication::focusWidget(), window.txtDir);
        for (QWidget* next : {static_cast<QWidget*>(window.cmdBrowse), static_cast<QWidget*>(window.cmdSearch),
                              static_cast<QWidget*>(window.ListView1)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTRY_COMPARE(QApplication::focusWidget(), next);
        }
    }

    void searchFillsTheListInWalkOrderAndReports()
    {
        TempDir tmp;
        makeTree(tmp, 6, 4);
        writeFile(tmp / "top", "abc");
        frmMain window;
        QSignalSpy finished(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp.path()));
        // Enter in the directory box does not search.
        QTest::keyClick(window.txtDir, Qt::Key_Return);
        QVERIFY(!window.search()->isRunning());
        QTest::mouseClick(window.cmdSearch, Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QCOMPARE(windowRows(window), walkOrder(tmp.path()));
        QVERIFY2(window.statusText()->text().startsWith(QStringLiteral("25 files")),
                 qPrintable(window.statusText()->text()));
        QVERIFY(window.stopButton()->isHidden());

        // A folder that does not exist: an empty list and a message, no crash.
        window.txtDir->setText(QString::fromStdString(tmp / "missing"));
        window.cmdSearch->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(window.model()->rowCount(), 0);
        QVERIFY(window.statusText()->text().contains(QStringLiteral("does not exist")));

        // An empty text walks the root folder; Esc stops it and leaves the window usable.
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.txtDir->clear();
        window.cmdSearch->click();
        QVERIFY(window.search()->isRunning());
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(finished.wait(10000));
        QVERIFY(window.search()->lastSummary().stopped || window.search()->lastSummary().folderFound);
    }

    void stopAndRestartKeepTheListConsistent()
    {
        TempDir tmp;
        makeTree(tmp, 200, 5);
        const std::vector<std::string> full = walkOrder(tmp.path());
        frmMain window;
        WalkOptions slow;
        slow.failFolder = [](const std::string&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            return 0;
        };
        window.search()->setWalkOptions(slow);
        QSignalSpy delivered(window.search(), &SearchController::rowsDelivered);
        QSignalSpy finished(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp.path()));
        window.cmdSearch->click();
        QVERIFY(delivered.wait(5000));
        window.stopButton()->click();
        QVERIFY(finished.wait(5000));
        QVERIFY(window.search()->lastSummary().stopped);
        const std::vector<std::string> partial = windowRows(window);
        QVERIFY(!partial.empty());
        QVERIFY(partial.size() < full.size());
        QVERIFY(std::equal(partial.begin(), partial.end(), full.begin()));

        // Search pressed while a search runs starts the new one from an empty list.
        window.cmdSearch->click();
        QVERIFY(delivered.wait(5000));
        window.cmdSearch->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(windowRows(window), full);
    }

    void resizingMovesAndStretchesTheControls()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize start = window.size();
        const QRect list = window.ListView1->geometry();
        const QRect search = window.cmdSearch->geometry();
        const QRect browse = window.cmdBrowse->geometry();
        const QRect dir = window.txtDir->geometry();
        const QRect label = window.Label2->geometry();

        window.resize(start + QSize(40, 20)); // 600 twips wider, 300 taller
        QTRY_COMPARE(window.ListView1->geometry(), list.adjusted(0, 0, 40, 20));
        QCOMPARE(window.cmdSearch->geometry(), search.translated(40, 0));
        QCOMPARE(window.cmdBrowse->geometry(), browse.translated(40, 0));
        QCOMPARE(window.txtDir->geometry(), dir.adjusted(0, 0, 40, 0));
        QCOMPARE(window.Label2->geometry(), label);

        // Never smaller than at start.
        window.resize(start - QSize(100, 60));
        QTRY_COMPARE(window.size(), start);
        QCOMPARE(window.ListView1->geometry(), list);
    }

    void closingTheWindowClosesTheOptionsDialog()
    {
        auto* window = new frmMain;
        window->show();
        window->mnuOptions->trigger();
        QPointer<frmOptions> options = window->options();
        QVERIFY(options && options->isVisible());
        window->close();
        QVERIFY(!window->options());
        QVERIFY(options.isNull() || !options->isVisible());
        delete window;
        QVERIFY(options.isNull());
    }

    void aboutBoxAndHelpCommands()
    {
        DesktopRecorder recorder;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            QString title, version, comments;
            QTimer::singleShot(0, [&] {
                auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
                QVERIFY(about);
                title = about->windowTitle() + " " + about->lblTitle->text();
                version = about->lblVersion->text();
                comments = about->lblComments->text();
                QCOMPARE(about->focusWidget(), about->cmdOk);
                about->lblCopyright->clicked(); // the link opens the home page and leaves the box open
                QVERIFY(about->isVisible());
            });
            pressInModalSoon(key);
            window.mnuHelpAbout->trigger(); // returns when the box is closed
            QCOMPARE(title, QStringLiteral("About Dirlix Pro Dirlix Pro"));
            QCOMPARE(version, QStringLiteral("1.01.0054"));
            QCOMPARE(comments, QStringLiteral("A program for producing usable lists of files on your computer."));
        }
        QCOMPARE(recorder.targets.size(), 2);
        QCOMPARE(recorder.targets[0], QString::fromStdString(modGlobal::pProduct->Website));

        recorder.targets.clear();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.txtDir->setFocus();
        QTest::keyClick(window.txtDir, Qt::Key_F1);
        window.mnuHelpFAQ->trigger();
        window.mnuHelpSupport->trigger();
        QCOMPARE(recorder.targets.size(), 3);
        QVERIFY(recorder.targets[0].endsWith(QStringLiteral("Help/index.html")));
        QCOMPARE(recorder.targets[1], QString::fromStdString(modGlobal::pProduct->FAQURL));
        QCOMPARE(recorder.targets[2], QString::fromStdString(modGlobal::pProduct->SupportURL));
    }

    void outputsWriteTheListedRowsAndHandThemToTheDesktop()
    {
        TempDir tmp;
        makeTree(tmp, 2, 3);
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(tmp / "out"));
        makeDirs(tmp / "out");
        DesktopRecorder recorder;
        std::string previous;
        {
            frmMain window;
            QCOMPARE(frmMain::TempFolder(), QString::fromStdString(tmp / "out/"));
            QSignalSpy finished(window.search(), &SearchController::finished);
            window.txtDir->setText(QString::fromStdString(tmp.path()));
            window.cmdSearch->click();
            QVERIFY(finished.wait(5000));

            window.mnuFileText->trigger();
            QCOMPARE(recorder.targets, QStringList{QString::fromStdString(tmp / "out/filelist.txt")});
            const std::string text = readFile(tmp / "out/filelist.txt");
            QCOMPARE(std::count(text.begin(), text.end(), '\n'), 6);
            QVERIFY(text.find("\"" + tmp.path() + "/f0/sub/file0\"\r\n") != std::string::npos);

            // An edit in the open Options dialog counts at once, without OK; so does the date pattern
            // for the rows a search adds afterwards.
            window.mnuOptions->trigger();
            window.options()->TextFormat->setText(QStringLiteral("%Fn%|%4"));
            window.options()->DateFormat->setCurrentText(QStringLiteral("yyyy"));
            window.cmdSearch->click();
            QVERIFY(finished.wait(5000));
            window.mnuFileText->trigger();
            // Each line is the name, then the created year alone: the files were made just now
            // (the first export's filelist.txt is in the tree this time).
            previous = readFile(tmp / "out/filelist.txt");
            const QString year = QString::number(QDate::currentDate().year());
            const QStringList lines = QString::fromStdString(previous).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 7);
            for (const QString& line : lines)
                QVERIFY2(line.startsWith(QStringLiteral("file")) && line.endsWith(QLatin1Char('|') + year),
                         qPrintable(line));
            window.options()->reject(); // Cancel brings the stored template back
            recorder.targets.removeLast();

            window.mnuFileExcel->trigger();
            window.mnuFileExcel->trigger();
            QCOMPARE(recorder.targets.size(), 3);
            QVERIFY(recorder.targets[1].endsWith(QStringLiteral(".xlsx")));
            QVERIFY(recorder.targets[1] != recorder.targets[2]); // a fresh workbook every time
        }
        // A temporary folder that cannot be written: reported, the editor not started.
        recorder.targets.clear();
        qputenv("TMPDIR", QByteArray::fromStdString(tmp / "out/filelist.txt/below"));
        {
            frmMain window;
            window.mnuFileText->trigger();
            window.mnuFileExcel->trigger();
            QVERIFY(recorder.targets.isEmpty());
            QVERIFY(window.statusText()->text().contains(QStringLiteral("could not be written")));
        }
        QCOMPARE(readFile(tmp / "out/filelist.txt"), previous);
        qputenv("TMPDIR", savedTmp);
    }

    void folderPickerResults()
    {
        frmMain window;
        QString titleSeen;
        QUrl answer;
        modGetDir::setFolderDialog([&](const QString& title, const QUrl&) {
            titleSeen = title;
            return answer;
        });
        answer = QUrl::fromLocalFile(QStringLiteral("/srv/data"));
        window.cmdBrowse->click();
        QCOMPARE(titleSeen, QStringLiteral("Choose Directory"));
        QCOMPARE(window.txtDir->text(), QStringLiteral("/srv/data/"));
        answer = QUrl::fromLocalFile(QStringLiteral("/"));
        window.cmdBrowse->click();
        QCOMPARE(window.txtDir->text(), QStringLiteral("/"));
        answer = QUrl(QStringLiteral("smb://server/share"));
        window.cmdBrowse->click();
        QCOMPARE(window.txtDir->text(), QStringLiteral("smb://server/share"));
        answer = QUrl();
        window.cmdBrowse->click();
        QCOMPARE(window.txtDir->text(), QString());
        modGetDir::setFolderDialog({});
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
