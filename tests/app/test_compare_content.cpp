// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: Compare With List against a saved list that carries checksums.
#include "app/CompareModel.h"
#include "app/ExportController.h"
#include "app/FileListModel.h"
#include "app/ListCommands.h"
#include "app/SaveListAs.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "search/FixtureTree.h"
#include "support/Command.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <map>

using namespace dirlix;
using namespace dirlix::test;

namespace {
const std::string kList = DIRLIX_LIST_PROGRAM;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// Searches @p folder in @p window and compares what it found with the saved list @p saved;
// waits for the comparison unless told not to.
bool searchAndCompare(frmMain& window, const std::string& folder, const std::string& saved, bool wait = true)
{
    QSignalSpy searched(window.search(), &SearchController::finished);
    window.txtDir->setText(QString::fromStdString(folder));
    window.cmdSearch->click();
    if (!searched.wait(20000))
        return false;
    QSignalSpy compared(window.lists(), &ListCommands::compared);
    window.lists()->compareWith(QString::fromStdString(saved));
    return wait && compared.wait(60000);
}

} // namespace

class CompareContentTest : public QObject {
    Q_OBJECT
private slots:
    // After a rename, a move into another folder and a byte changed with the time put back, the
    // window shows Renamed (with the old path) and Corrupt rows where dirlix-list writes R and C
    // lines, row for line in the same order; of two gone files with one content, the first in the
    // list's order is the one renamed. Its JSON Lines hold the command line's very objects. Stop
    // while checksums are read leaves the list as it was. A list without checksums still gives
    // only Added, Removed and Changed.
    void windowAndCommandLineTellTheSameRenamesAndCorruption()
    {
        frmMain::setFailureDialogsShown(false);
        TempDir tmp;
        const std::string tree = tmp / "tree";
        for (const char* dir : {"/sub", "/other"})
            makeDirs(tree + dir);
        const std::pair<const char*, const char*> files[] = {
            {"/renamed", "renamed content"}, {"/sub/moved", "moved content"}, {"/rot", "bits that rot"},
            {"/twin", "twin content"},       {"/sub/twin", "twin content"},   {"/grows", "grows"},
            {"/gone", "gone content"},       {"/keep", "kept"}};
        for (const auto& [name, bytes] : files) {
            writeFile(tree + name, bytes);
            setTimes(tree + name, 1700000000);
        }
        const std::string quotedTree = " '" + tree + "'";
        QCOMPARE(runCommand(kList + " --hash=sha1 --format=jsonl -o '" + tmp / "saved.jsonl" + "'" + quotedTree).status, 0);
        QCOMPARE(runCommand(kList + " --format=jsonl -o '" + tmp / "plain.jsonl" + "'" + quotedTree).status, 0);

        std::filesystem::rename(tree + "/renamed", tree + "/now named");
        std::filesystem::rename(tree + "/sub/moved", tree + "/other/moved");
        for (const char* name : {"/twin", "/sub/twin", "/gone"})
            std::filesystem::remove(tree + name);
        writeFile(tree + "/other/twin copy", "twin content");
        writeFile(tree + "/added", "added content");
        writeFile(tree + "/grows", "grows longer");
        writeFile(tree + "/rot", "bits that r0t");
        setTimes(tree + "/rot", 1700000000);

        frmMain window;
        QVERIFY(searchAndCompare(window, tree, tmp / "saved.jsonl"));
        QCOMPARE(window.ListView1->model(), window.lists()->comparison());
        std::vector<std::string> shown; // the change as shown, a tab, the path now
        for (int row = 0; row < window.ListView1->model()->rowCount(); ++row) {
            const auto text = [&](int column) { return window.ListView1->model()->index(row, column).data().toString(); };
            shown.push_back((text(0) + '\t' + text(6) + text(1)).toStdString());
        }
        const std::string status = window.statusText()->text().toStdString();
        QVERIFY2(status.find("1 added, 2 removed, 1 changed, 3 renamed or moved, 1 corrupt (sha1)") != std::string::npos,
                 status.c_str());

        // The command line's lines, in the window's words.
        const CommandResult cli = runCommand(kList + " --compare='" + tmp / "saved.jsonl" + "'" + quotedTree);
        QCOMPARE(cli.status, 1);
        const std::map<char, std::string> words{
            {'A', "Added"}, {'M', "Changed"}, {'D', "Removed"}, {'C', "Corrupt"}, {'R', "Renamed from "}};
        std::vector<std::string> expected;
        for (const std::string& line : linesOf(cli.out)) // R lines: R, old path, new path
            expected.push_back(words.at(line[0]) + (line[0] == 'R' ? line.substr(2) : line.substr(1)));
        QCOMPARE(shown, expected);
        for (const std::string& row : {"Renamed from " + tree + "/renamed\t" + tree + "/now named",
                                       "Renamed from " + tree + "/sub/moved\t" + tree + "/other/moved",
                                       "Renamed from " + tree + "/twin\t" + tree + "/other/twin copy",
                                       "Corrupt\t" + tree + "/rot", "Removed\t" + tree + "/sub/twin"})
            QVERIFY2(std::count(shown.begin(), shown.end(), row) == 1, row.c_str());

        // Save List As, JSON Lines: the objects of the files found now are those of the command line.
        const auto& types = SaveListAs::fileTypes();
        const int jsonType = int(std::find_if(types.begin(), types.end(), [](const auto& t) { return t.key == "jsonl"; }) -
                                 types.begin());
        SaveListAs::setChooseFile([&](QWidget*, const QString&, int) {
            return std::optional(SaveListAs::Choice{QString::fromStdString(tmp / "differences.jsonl"), jsonType});
        });
        QSignalSpy exported(window.exporter(), &ExportController::finished);
        window.mnuFileSaveAs->trigger();
        QVERIFY(exported.wait(20000));
        SaveListAs::setChooseFile({});
        const std::vector<std::string> written = linesOf(readFile(tmp / "differences.jsonl"));
        QCOMPARE(written.size(), shown.size());
        int same = 0;
        for (const std::string& line :
             linesOf(runCommand(kList + " --compare='" + tmp / "saved.jsonl" + "' --format=jsonl" + quotedTree).out))
            if (line.starts_with("{\"change\":\"renamed\"") || line.starts_with("{\"change\":\"corrupt\"") ||
                line.starts_with("{\"change\":\"added\"")) {
                QVERIFY2(std::count(written.begin(), written.end(), line) == 1, line.c_str());
                ++same;
            }
        QCOMPARE(same, 5);

        // Stop while a large file's checksum is read: the list is shown as it was, the next comparison runs.
        writeFile(tree + "/huge");
        std::filesystem::resize_file(tree + "/huge", std::uintmax_t(16) << 30); // sparse: no room taken
        QSignalSpy compared(window.lists(), &ListCommands::compared);
        QVERIFY(!searchAndCompare(window, tree, tmp / "saved.jsonl", false));
        QTRY_VERIFY(window.statusText()->text().contains(QStringLiteral("reading checksums")));
        QVERIFY(window.lists()->stop() && compared.wait(60000));
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("stopped")), qPrintable(window.statusText()->text()));
        QCOMPARE(window.ListView1->model(), static_cast<QAbstractItemModel*>(window.model()));
        QVERIFY(!window.lists()->isRunning() && window.stopButton()->isHidden());
        std::filesystem::remove(tree + "/huge");

        // Without checksums in the list, renames are a removal and an addition, as always.
        QVERIFY(searchAndCompare(window, tree, tmp / "plain.jsonl"));
        QVERIFY(window.statusText()->text().contains(QStringLiteral("4 added, 5 removed, 1 changed since")));
    }
};

QTEST_MAIN(CompareContentTest)
#include "test_compare_content.moc"
