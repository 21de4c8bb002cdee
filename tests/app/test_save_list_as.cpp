// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: File, Save List As, with the file choice and the question answered by the test.
#include "app/SaveListAs.h"
#include "app/frmMain.h"
#include "app/FileListModel.h"
#include "product/DesktopRecorder.h"
#include "search/FixtureTree.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

using namespace dirlix;
using namespace dirlix::test;

namespace {

int typeIndex(const char* key)
{
    const auto& types = SaveListAs::fileTypes();
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i].key == QLatin1String(key))
            return int(i);
    return -1;
}

int modeOf(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

std::vector<WalkBlock> rowsOfFolders(int folders, int filesEach)
{
    std::vector<WalkBlock> blocks(static_cast<std::size_t>(folders));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        blocks[b].folder = std::make_shared<const FolderPath>(nullptr, "/folder" + std::to_string(b) + "/");
        for (int i = 0; i < filesEach; ++i) {
            blocks[b].entries.push_back({std::uint32_t(blocks[b].names.size()), 8, {i, 1700000000, 1700000000}});
            blocks[b].names += "file" + std::to_string(1000 + i % 1000);
        }
    }
    return blocks;
}

} // namespace

class SaveListAsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The remembered folder and type go to a settings file of the test's own.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(mConfig.path()));
        ::umask(022);
        frmMain::setFailureDialogsShown(false);
    }

    // Catches a save that ignores the chosen type or name, opens the file on the desktop, replaces
    // a file without asking, forgets the last choice, writes another format than the type's, or puts
    // a partial workbook in place of the earlier file when stopped.
    void savesWhatWasChosenAndNeverAPartialFile()
    {
        TempDir tmp;
        DesktopRecorder recorder;
        frmMain window;
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        window.model()->appendBlocks(rowsOfFolders(2, 3), "yyyy");
        SaveListAs::Choice answer{QString::fromStdString(tmp / "list"), typeIndex("xlsx")};
        QString suggested;
        int typeOffered = -1;
        bool cancel = false;
        SaveListAs::setChooseFile([&](QWidget*, const QString& suggestion, int type) {
            suggested = suggestion;
            typeOffered = type;
            return cancel ? std::nullopt : std::optional(answer);
        });
        QStringList asked;
        bool replace = false;
        SaveListAs::setConfirmReplace([&](QWidget*, const QString& path) {
            asked << path;
            return replace;
        });

        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(exported.wait(5000));
        QCOMPARE(window.exporter()->lastResult().rows, 6u);
        QVERIFY(readFile(tmp / "list.xlsx").rfind("PK", 0) == 0);
        QCOMPARE(modeOf(tmp / "list.xlsx"), 0644); // as other new files under this mask
        QVERIFY(asked.isEmpty() && recorder.targets.isEmpty());

        // The next time starts where the last ended; an existing file is replaced only on yes.
        cancel = true;
        window.mnuFileSaveAs->trigger();
        QCOMPARE(QFileInfo(suggested).absolutePath(), QString::fromStdString(tmp.path()));
        QCOMPARE(typeOffered, typeIndex("xlsx"));
        QVERIFY(!window.exporter()->isRunning());
        cancel = false;
        answer = {QString::fromStdString(tmp / "list.txt"), typeIndex("txt")};
        writeFile(tmp / "list.txt", "earlier");
        ::chmod((tmp / "list.txt").c_str(), 0640);
        window.mnuFileSaveAs->trigger();
        QCOMPARE(asked, QStringList{answer.path});
        QCOMPARE(readFile(tmp / "list.txt"), std::string("earlier"));
        replace = true;
        window.mnuFileSaveAs->trigger();
        QVERIFY(exported.wait(5000));
        const std::string text = readFile(tmp / "list.txt");
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 6);
        QCOMPARE(modeOf(tmp / "list.txt"), 0640);

        // Each line format reaches its own exporter: a header and six rows, or six objects.
        for (const auto& [key, lines] : {std::pair{"csv", 7}, std::pair{"tsv", 7}, std::pair{"jsonl", 6}}) {
            answer = {QString::fromStdString(tmp / "list"), typeIndex(key)};
            window.mnuFileSaveAs->trigger();
            QVERIFY(exported.wait(5000));
            const std::string saved = readFile(tmp / (std::string("list.") + key));
            QCOMPARE(std::count(saved.begin(), saved.end(), '\n'), lines);
            QCOMPARE(saved.front(), key == std::string("jsonl") ? '{' : 'F');
            QVERIFY(QFile::remove(QString::fromStdString(tmp / (std::string("list.") + key))));
        }

        // The web page holds the six rows, the tree starting at their deepest common folder.
        answer = {QString::fromStdString(tmp / "list"), typeIndex("html")};
        window.mnuFileSaveAs->trigger();
        QVERIFY(exported.wait(5000));
        const std::string page = readFile(tmp / "list.html");
        QVERIFY(page.rfind("<!DOCTYPE html>", 0) == 0);
        QVERIFY(page.find("\"start\":null,") != std::string::npos && page.find("\"files\":6,") != std::string::npos);
        QVERIFY(QFile::remove(QString::fromStdString(tmp / "list.html")));

        // Stopped: the earlier workbook stays, and nothing else is left in the folder.
        const std::string earlier = readFile(tmp / "list.xlsx");
        window.model()->appendBlocks(rowsOfFolders(100, 2000), "yyyy");
        answer = {QString::fromStdString(tmp / "list.xlsx"), typeIndex("xlsx")};
        window.mnuFileSaveAs->trigger();
        window.stopButton()->click();
        QVERIFY(exported.wait(20000));
        QVERIFY(window.exporter()->lastResult().stopped);
        QVERIFY(readFile(tmp / "list.xlsx") == earlier);
        QCOMPARE(QDir(QString::fromStdString(tmp.path())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"list.txt", "list.xlsx"}));
        SaveListAs::setChooseFile({});
        SaveListAs::setConfirmReplace({});
    }

private:
    TempDir mConfig;
};

QTEST_MAIN(SaveListAsTest)
#include "test_save_list_as.moc"
