// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the main window: definition, search and exports in the background, layout, About box, help.
#include "app/ExportController.h"
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/frmOptions.h"
#include "product/DesktopRecorder.h"
#include "product/frmAbout.h"
#include "product/LinkLabel.h"
#include "product/modGlobal.h"
#include "search/modGetDir.h"
#include "search/FixtureTree.h"
#include "support/FifoWatch.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
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

#include <atomic>
#include <memory>
#include <thread>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// The walk order of a tree, as the search's engine gives it, for comparison with the window.
std::vector<std::string> walkOrder(const std::string& folder)
{
    FileList list;
    search(folder, list);
    return pathsOf(list);
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

// Sets the environment variable @p name to @p value for its lifetime.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name(name), saved(qgetenv(name))
    {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnv() { qputenv(name, saved); }
    const char* name;
    QByteArray saved;
};

QString accessKey(const QString& caption)
{
    const int amp = caption.indexOf(QLatin1Char('&'));
    return amp < 0 ? QString() : caption.mid(amp + 1, 1).toLower();
}

// For its lifetime, presses @p key once in the application's modal dialog as soon as one shows. A
// dialog still open ten seconds later (a check inside it failed, or the key went astray) is closed
// by force, so that the call that opened it returns and one failure cannot hang the tests;
// forced() then says so.
class ModalAnswer {
public:
    explicit ModalAnswer(Qt::Key key)
    {
        mWaited.start();
        mTimer.callOnTimeout([this, key] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (!mPressed) {
                mPressed = true;
                QTest::keyClick(modal, key);
            } else if (mWaited.elapsed() > 10000) {
                mForced = true;
                modal->close();
            }
        });
        mTimer.start(20);
    }
    bool forced() const { return mForced; }

private:
    QTimer mTimer;
    QElapsedTimer mWaited;
    bool mPressed = false;
    bool mForced = false;
};

// Sets @p flag when it goes, whatever ended the scope: a walk held until the flag is set then goes
// on, and the test's end never waits for it.
struct SetOnExit {
    std::atomic<bool>& flag;
    ~SetOnExit() { flag = true; }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { frmMain::setFailureDialogsShown(false); }
    // The seams a failed check may have left set.
    void cleanup() { modGetDir::setFolderDialog({}); }

    void definitionLayoutAndTabOrder()
    {
        frmMain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Dirlix Pro"));
        QVERIFY(frmMain::TempFolder().endsWith(QDir::separator()));
        QStringList captions;
        for (int c = 0; c < window.model()->columnCount(); ++c)
            captions << window.model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"File", "Size", "Attrib", "Created", "Modified", "Directory", "CYMD", "MYMD"}));
        QVERIFY(window.ListView1->columnWidth(5) > 0 && window.ListView1->columnWidth(6) == 0 &&
                window.ListView1->columnWidth(7) == 0);

        // Menus: captions, F1, and access keys unique on each level.
        const QList<QAction*> bar = window.menuBar()->actions();
        QCOMPARE(window.mnuFile->actions().size(), 14); // with Open Catalog, Add to Catalog, Print, Print Preview, Export PDF, a separator, Checksums and Find Duplicates
        QCOMPARE(window.mnuHelpContents->shortcut(), QKeySequence(Qt::Key_F1));
        for (const QList<QAction*>& level : {bar, window.mnuFile->actions(), window.mnuHelp->actions()}) {
            QSet<QString> keys;
            for (QAction* a : level) {
                const QString key = accessKey(a->text());
                QVERIFY2(a->isSeparator() || (!key.isEmpty() && !keys.contains(key)), qPrintable(a->text()));
                keys.insert(key);
            }
        }

        // The list and the buttons follow the window's size, never below the design size.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize start = window.size();
        const QRect list = window.ListView1->geometry(), search = window.cmdSearch->geometry();
        window.resize(start + QSize(40, 20));
        QTRY_COMPARE(window.ListView1->geometry(), list.adjusted(0, 0, 40, 20));
        QCOMPARE(window.cmdSearch->geometry(), search.translated(40, 0));
        window.resize(start - QSize(100, 60));
        QTRY_COMPARE(window.size(), start);

        // Tab order from the directory box, where the focus is at start.
        QTRY_COMPARE(QApplication::focusWidget(), window.txtDir);
        for (QWidget* next : std::initializer_list<QWidget*>{window.cmdBrowse, window.cmdSearch, window.ListView1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTRY_COMPARE(QApplication::focusWidget(), next);
        }
    }

    void searchFillsTheListInWalkOrderReportsStopsAndRestarts()
    {
        TempDir tmp;
        makeTree(tmp, 200, 5);
        writeFile(tmp / "top", "abc");
        const std::vector<std::string> full = walkOrder(tmp.path());
        frmMain window;
        QSignalSpy delivered(window.search(), &SearchController::rowsDelivered);
        QSignalSpy finished(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp.path()));
        // Enter in the directory box does not search.
        QTest::keyClick(window.txtDir, Qt::Key_Return);
        QVERIFY(!window.search()->isRunning());
        QTest::mouseClick(window.cmdSearch, Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QCOMPARE(pathsOf(window.model()->list()), full);
        QVERIFY2(window.statusText()->text().startsWith(QLocale().toString(1001) + QStringLiteral(" files")),
                 qPrintable(window.statusText()->text()));
        QVERIFY(window.stopButton()->isHidden());

        // Stopped: a prefix of the walk order. Search pressed while a search runs starts anew.
        WalkOptions slow;
        slow.failFolder = [](const std::string&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            return 0;
        };
        window.search()->setWalkOptions(slow);
        window.cmdSearch->click();
        QVERIFY(delivered.wait(5000));
        window.stopButton()->click();
        QVERIFY(finished.wait(5000));
        QVERIFY(window.search()->lastSummary().stopped);
        const std::vector<std::string> partial = pathsOf(window.model()->list());
        QVERIFY(!partial.empty() && partial.size() < full.size());
        QVERIFY(std::equal(partial.begin(), partial.end(), full.begin()));
        window.cmdSearch->click();
        QVERIFY(delivered.wait(5000));
        window.cmdSearch->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(pathsOf(window.model()->list()), full);
        window.search()->setWalkOptions({});

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

    void closingTheWindowClosesTheOptionsDialog()
    {
        auto window = std::make_unique<frmMain>();
        window->show();
        window->mnuOptions->trigger();
        QPointer<frmOptions> options = window->options();
        QVERIFY(options && options->isVisible());
        window->close();
        QVERIFY(!window->options());
        QVERIFY(options.isNull() || !options->isVisible());
        window.reset();
        QVERIFY(options.isNull());
    }

    // A desktop that fails to open anything: each command hands its page over once all the same.
    void aboutBoxAndHelpCommands()
    {
        DesktopRecorder recorder(false);
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The About box: OK has the focus, its link opens the home page and leaves it open; Enter
        // and Esc close it.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            bool shown = false;
            QTimer::singleShot(0, [&] {
                auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
                QVERIFY(about && about->focusWidget() == about->cmdOk);
                about->lblCopyright->clicked();
                shown = about->isVisible();
            });
            const ModalAnswer answer(key);
            window.mnuHelpAbout->trigger(); // returns when the box is closed
            QVERIFY(!answer.forced());
            QVERIFY(shown);
        }
        QCOMPARE(recorder.targets, QStringList(2, QString::fromStdString(modGlobal::pProduct->Website)));

        recorder.targets.clear();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.txtDir->setFocus();
        QTest::keyClick(window.txtDir, Qt::Key_F1);
        window.mnuHelpFAQ->trigger();
        window.mnuHelpSupport->trigger();
        QCOMPARE(recorder.targets.size(), 3);
        // Contents opens the local page by its path, FAQ and Support their addresses.
        QVERIFY2(QDir::isAbsolutePath(recorder.targets[0]) &&
                     QDir::fromNativeSeparators(recorder.targets[0]).endsWith("/Help/index.html"),
                 qPrintable(recorder.targets[0]));
        QCOMPARE(recorder.targets[1], QString::fromStdString(modGlobal::pProduct->FAQURL));
        QCOMPARE(recorder.targets[2], QString::fromStdString(modGlobal::pProduct->SupportURL));
    }

    void outputsWriteTheListedRowsAndHandThemToTheDesktop()
    {
        TempDir tmp;
        makeTree(tmp, 2, 3);
        makeDirs(tmp / "out");
        ScopedEnv out("TMPDIR", tmp / "out");
        DesktopRecorder recorder;
        std::string previous;
        {
            frmMain window;
            QCOMPARE(QDir::fromNativeSeparators(frmMain::TempFolder()), QString::fromStdString(tmp / "out/"));
            QSignalSpy searched(window.search(), &SearchController::finished);
            QSignalSpy exported(window.exporter(), &ExportController::finished);
            window.txtDir->setText(QString::fromStdString(tmp.path()));
            window.cmdSearch->click();
            QVERIFY(searched.wait(5000));

            window.mnuFileText->trigger();
            QVERIFY(exported.wait(5000));
            QCOMPARE(recorder.targets.size(), 1);
            QCOMPARE(QDir::fromNativeSeparators(recorder.targets.front()), QString::fromStdString(tmp / "out/filelist.txt"));
            QCOMPARE(recorder.texts, recorder.targets); // to the text editor, not to whatever opens .txt
            QVERIFY2(window.statusText()->text().startsWith(QStringLiteral("6 row")), qPrintable(window.statusText()->text()));
            const std::string text = readFile(tmp / "out/filelist.txt");
            QCOMPARE(std::count(text.begin(), text.end(), '\n'), 6);
            QVERIFY(genericSeparators(text).find("\"" + tmp.path() + "/f0/sub/file0\"\r\n") != std::string::npos);

            // An edit in the open Options dialog counts at once, without OK; so does the date pattern
            // for the rows a search adds afterwards. Each line is the name, then the created year
            // alone (the first export's filelist.txt is in the tree this time).
            window.mnuOptions->trigger();
            window.options()->TextFormat->setText(QStringLiteral("%Fn%|%4"));
            window.options()->DateFormat->setCurrentText(QStringLiteral("yyyy"));
            window.cmdSearch->click();
            QVERIFY(searched.wait(5000));
            window.mnuFileText->trigger();
            QVERIFY(exported.wait(5000));
            previous = readFile(tmp / "out/filelist.txt");
            const QStringList lines = QString::fromStdString(previous).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 7);
            for (const QString& line : lines)
                QVERIFY2(line.startsWith(QStringLiteral("file")) &&
                             line.endsWith(QLatin1Char('|') + QString::number(QDate::currentDate().year())),
                         qPrintable(line));
            window.options()->reject(); // Cancel brings the stored template back

            window.mnuFileExcel->trigger();
            QVERIFY(exported.wait(5000));
            QCOMPARE(recorder.targets.size(), 3);
            QVERIFY(recorder.targets[2].endsWith(QStringLiteral(".xlsx")));
        }
        // A temporary folder that cannot be written: reported, the editor not started.
        recorder.targets.clear();
        ScopedEnv unwritable("TMPDIR", tmp / "out/filelist.txt/below");
        frmMain window;
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        for (QAction* output : {window.mnuFileText, window.mnuFileExcel}) {
            output->trigger();
            QVERIFY(exported.wait(5000));
            QVERIFY(window.statusText()->text().contains(QStringLiteral("could not be written")));
        }
        QVERIFY(recorder.targets.isEmpty());
        QCOMPARE(readFile(tmp / "out/filelist.txt"), previous);
    }

    void exportsRunInTheBackgroundAndStopFirst()
    {
        TempDir tmp;
        makeTree(tmp, 2, 3);
        ScopedEnv out("TMPDIR", tmp.path());
        DesktopRecorder recorder;
        frmMain window;
        std::vector<WalkBlock> blocks(200);
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            blocks[b].folder = std::make_shared<const FolderPath>(nullptr, "/folder" + std::to_string(b) + "/");
            for (std::uint32_t i = 0; i < 2000; ++i) {
                blocks[b].entries.push_back({std::uint32_t(blocks[b].names.size()), 8, {}});
                blocks[b].names += "file" + std::to_string(1000 + i % 1000);
            }
        }
        // A search held up in its second folder until released.
        std::atomic<bool> release{false};
        const SetOnExit releaseAtEnd{release};
        WalkOptions held;
        held.failFolder = [&, start = tmp.path() + "/"](const std::string& folder) {
            while (genericSeparators(folder) != start && !release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 0;
        };
        window.search()->setWalkOptions(held);
        window.txtDir->setText(QString::fromStdString(tmp.path()));
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        QSignalSpy searched(window.search(), &SearchController::finished);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // The window goes on while the export writes: progress shows, a second export is refused,
        // a new search empties the list without taking the export's rows, and a timer fires.
        window.model()->appendBlocks(blocks, "dd/mm/yy");
        window.mnuFileText->trigger();
        QVERIFY(window.exporter()->isRunning());
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("rows written")), qPrintable(window.statusText()->text()));
        window.mnuFileExcel->trigger();
        QVERIFY(window.statusText()->text().contains(QStringLiteral("still writing")));
        window.cmdSearch->click();
        int exportsEndedBeforeTimer = -1;
        QTimer::singleShot(0, [&] { exportsEndedBeforeTimer = int(exported.count()); });
        QVERIFY(exported.wait(20000));
        QCOMPARE(exportsEndedBeforeTimer, 0);
        QVERIFY(window.exporter()->lastResult().ok);
        std::string text = readFile(tmp / "filelist.txt");
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 400000);
        QCOMPARE(recorder.targets.size(), 1);

        // Esc while both run stops the export first, which leaves the earlier file as it was.
        writeFile(tmp / "filelist.txt", "the earlier list\r\n");
        window.model()->appendBlocks(blocks, "dd/mm/yy");
        window.mnuFileText->trigger();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(exported.wait(5000));
        QVERIFY(window.exporter()->lastResult().stopped);
        QVERIFY(window.statusText()->text().contains(QStringLiteral("stopped")));
        QCOMPARE(readFile(tmp / "filelist.txt"), std::string("the earlier list\r\n"));
        QCOMPARE(recorder.targets.size(), 1);
        QVERIFY(window.search()->isRunning());
        release = true;
        window.stopButton()->click();
        QVERIFY(searched.wait(5000));
        QVERIFY(window.search()->lastSummary().stopped);
        QCOMPARE(QDir(QString::fromStdString(tmp.path())).entryList(QDir::Files), QStringList{"filelist.txt"});
    }

    // A FIFO in the settings file's place would hold up whoever opens it: the window starts with
    // the default settings, says why in the status bar, and never opens it.
    void aFifoInPlaceOfTheSettingsFileIsNeverOpened()
    {
        if (!FifoWatch::supported())
            QSKIP("this system has no FIFOs (Windows), so none can stand in the settings file's place");
        TempDir config;
        makeDirs(config / "Quillborne");
        ScopedEnv home("XDG_CONFIG_HOME", config.path());
        FifoWatch fifo(config / "Quillborne/Quillborne.ini");
        {
            frmMain window;
            QVERIFY2(window.statusText()->text().contains(QStringLiteral("is not a regular file")),
                     qPrintable(window.statusText()->text()));
            QCOMPARE(window.options()->textFormat(), QStringLiteral("\"%6%1\""));
        }
        QVERIFY(!fifo.opened());
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
        const std::pair<QString, QString> cases[] = {{"file:///srv/data", "/srv/data/"}, {"file:///", "/"},
                                                      {"smb://server/share", "smb://server/share"}, {"", ""}};
        for (const auto& [url, shown] : cases) {
            answer = QUrl(url);
            window.cmdBrowse->click();
            QCOMPARE(QDir::fromNativeSeparators(window.txtDir->text()), shown);
        }
        QCOMPARE(titleSeen, QStringLiteral("Choose Directory"));
        modGetDir::setFolderDialog({});
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
