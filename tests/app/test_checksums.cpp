// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: File, Checksums in the main window.
#include "app/ChecksumCommands.h"
#include "app/FileListModel.h"
#include "app/SaveListAs.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "output/SettingsStore.h"
#include "product/AppProduct.h"
#include "search/FixtureTree.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace dirlix;
using namespace dirlix::test;

class ChecksumsTest : public QObject {
    Q_OBJECT
private slots:
    // The Hash column holds what sha256sum and md5sum give, nothing for a FIFO (never opened),
    // only the selected rows' when there is a selection; Save List As then writes it, and a new
    // search brings back the list and its outputs exactly as they were without checksums.
    void checksumsShowAndEveryOutputCarriesThem()
    {
        frmMain::setFailureDialogsShown(false);
        TempDir tmp;
        makeDirs(tmp / "tree");
        writeFile(tmp / "tree/abc", "abc");
        writeFile(tmp / "tree/empty", "");
        QCOMPARE(::mkfifo((tmp / "tree/pipe").c_str(), 0600), 0);
        frmMain window;
        QSignalSpy searched(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp / "tree"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        FileListModel* model = window.model();
        const auto rowOf = [&](const char* name) {
            std::string folder;
            for (std::size_t i = 0; i < model->list().count(); ++i)
                if (model->list().row(i, folder).name == name)
                    return int(i);
            return -1;
        };
        const auto hashShown = [&](const char* name) { return model->index(rowOf(name), 8).data().toString(); };
        const auto& types = SaveListAs::fileTypes();
        const auto save = [&](const QString& key, const std::string& path) {
            const int type = int(std::find_if(types.begin(), types.end(), [&](const auto& t) { return t.key == key; }) -
                                 types.begin());
            SaveListAs::setChooseFile([&](QWidget*, const QString&, int) {
                return std::optional(SaveListAs::Choice{QString::fromStdString(path), type});
            });
            QSignalSpy exported(window.exporter(), &ExportController::finished);
            window.mnuFileSaveAs->trigger();
            const bool ok = exported.wait(5000);
            SaveListAs::setChooseFile({});
            return ok ? readFile(path) : std::string("(not written)");
        };
        const std::string plainCsv = save(QStringLiteral("csv"), tmp / "plain.csv");
        QCOMPARE(model->columnCount(), 8);

        QSignalSpy done(window.checksums(), &ChecksumCommands::finished);
        window.checksums()->actionOf(HashAlgorithm::Sha256)->trigger();
        QVERIFY(done.wait(5000));
        QCOMPARE(model->columnCount(), 9);
        QCOMPARE(model->headerData(8, Qt::Horizontal).toString(), QStringLiteral("Hash"));
        const QString abc = QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QCOMPARE(hashShown("abc"), abc);
        QCOMPARE(hashShown("empty"), QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
        QCOMPARE(hashShown("pipe"), QString());
        const std::string csv = save(QStringLiteral("csv"), tmp / "hashed.csv");
        QVERIFY2(csv.find(",Hash\r\n") != std::string::npos && csv.find("," + abc.toStdString() + "\r\n") != std::string::npos,
                 csv.c_str());
        const std::string json = save(QStringLiteral("jsonl"), tmp / "hashed.jsonl");
        QVERIFY2(json.find("\"hash\":\"" + abc.toStdString() + "\"") != std::string::npos &&
                     json.find("\"hash_algorithm\":\"sha256\"") != std::string::npos,
                 json.c_str());

        // With a selection only its rows are read; the algorithm chosen is remembered.
        window.ListView1->selectRow(rowOf("abc"));
        window.checksums()->actionOf(HashAlgorithm::Md5)->trigger();
        QVERIFY(done.wait(5000));
        QCOMPARE(hashShown("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
        QCOMPARE(hashShown("empty"), QString());
        QCOMPARE(GetSetting(toQString(AppProduct().CompanyName), toQString(AppProduct().Name),
                            QStringLiteral("HashAlgorithm"), {}),
                 QStringLiteral("md5"));
        QVERIFY(frmMain().checksums()->actionOf(HashAlgorithm::Md5)->isChecked());

        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        QCOMPARE(model->columnCount(), 8);
        QCOMPARE(save(QStringLiteral("csv"), tmp / "again.csv"), plainCsv);
    }

    // Stop ends the reading at once, also inside a file far too large to read in the time waited,
    // and shows no checksum at all.
    void stopEndsReadingInsideAHugeFile()
    {
        frmMain::setFailureDialogsShown(false);
        TempDir tmp;
        makeDirs(tmp / "tree");
        std::ofstream(tmp / "tree/huge").close();
        std::filesystem::resize_file(tmp / "tree/huge", std::uintmax_t(256) << 30); // sparse: no space taken
        frmMain window;
        QSignalSpy searched(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp / "tree"));
        window.cmdSearch->click();
        QVERIFY(searched.wait(5000));
        QSignalSpy done(window.checksums(), &ChecksumCommands::finished);
        window.checksums()->actionOf(HashAlgorithm::Sha256)->trigger();
        QVERIFY(window.checksums()->isRunning() && window.stopButton()->isVisibleTo(&window));
        QTest::qWait(200);
        window.stopButton()->click();
        QVERIFY(done.wait(20000));
        QCOMPARE(window.model()->columnCount(), 8);
        QVERIFY(window.stopButton()->isHidden());
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("stopped")), qPrintable(window.statusText()->text()));

        // A new search while reading stops it too: the checksums would land on the new list's rows.
        window.checksums()->actionOf(HashAlgorithm::Sha256)->trigger();
        QVERIFY(window.checksums()->isRunning());
        window.cmdSearch->click();
        QVERIFY(done.wait(20000));
        QVERIFY(searched.wait(5000) || searched.count() == 2);
        QCOMPARE(window.model()->columnCount(), 8);
    }
};

QTEST_MAIN(ChecksumsTest)
#include "test_checksums.moc"
