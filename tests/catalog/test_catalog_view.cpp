// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the catalog view and Add to Catalog in the main window.
#include "app/CatalogCommands.h"
#include "app/CatalogView.h"
#include "app/FileListModel.h"
#include "app/SearchController.h"
#include "app/SizeChart.h"
#include "app/frmMain.h"
#include "catalog/Catalog.h"
#include "support/TempDir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace dirlix;
using namespace dirlix::test;

namespace {

// Adds a scan of @p files (name, size) in @p folder to the catalog @p path as volume @p label.
void addScan(const std::string& path, const std::string& label, const std::string& folder,
             const std::vector<std::pair<std::string, std::int64_t>>& files)
{
    std::string error;
    auto catalog = catalog::Catalog::open(path, catalog::Catalog::Access::Write, error);
    QVERIFY2(catalog, error.c_str());
    catalog::ScanWriter writer(*catalog);
    catalog::NewScan scan;
    scan.label = label;
    scan.root = folder;
    QVERIFY2(writer.begin(scan, error), error.c_str());
    const std::int64_t number = writer.folder(folder, error);
    for (const auto& [name, size] : files) {
        FileRecord values;
        values.size = size;
        QVERIFY2(writer.addFile(number, name, values, error), error.c_str());
    }
    QVERIFY2(writer.commit(error), error.c_str());
}

} // namespace

class CatalogViewTest : public QObject {
    Q_OBJECT
private slots:
    // Two volumes, one unplugged: the view lists both with their connected state, charts the
    // selected one's sizes scan by scan, finds across both with the volume first, reaches files
    // only on the connected one; and the list on screen added to the catalog becomes a new scan
    // holding exactly its rows.
    void volumesChartsFindsAndAdds()
    {
        frmMain::setFailureDialogsShown(false);
        TempDir tmp;
        makeDirs(tmp / "here");
        writeFile(tmp / "here/photo one.jpg", "12345");
        writeFile(tmp / "here/notes.txt", "1");
        const std::string path = tmp / "drives.dxc";
        addScan(path, "here", tmp / "here/", {{"photo one.jpg", 3}});
        addScan(path, "here", tmp / "here/", {{"photo one.jpg", 5}, {"notes.txt", 1}});
        addScan(path, "gone", tmp / "unplugged/", {{"Photo \xfe.jpg", 7000}, {"other", 1}});

        frmMain window;
        QVERIFY(window.catalogs()->openCatalog(QString::fromStdString(path)));
        CatalogView* view = window.catalogs()->view();
        QVERIFY(view);
        QTableWidget* volumes = view->volumes();
        QCOMPARE(volumes->rowCount(), 2);
        QCOMPARE(volumes->item(0, 0)->text(), QStringLiteral("gone"));
        QCOMPARE(volumes->item(0, 5)->text(), QStringLiteral("no"));
        QVERIFY(volumes->item(1, 5)->text().startsWith(QStringLiteral("yes")));
        QCOMPARE(volumes->item(1, 1)->text(), QStringLiteral("2"));
        volumes->selectRow(1);
        const auto& points = view->chart()->points();
        QCOMPARE(points.size(), std::size_t(2));
        QCOMPARE(points[0].bytes, std::uint64_t(3));
        QCOMPARE(points[1].bytes, std::uint64_t(6));

        QSignalSpy searched(view, &CatalogView::searchFinished);
        view->find(QStringLiteral("PHOTO"));
        QVERIFY(searched.wait(5000));
        FoundFilesModel* found = view->found();
        QCOMPARE(found->rowCount(), 2);
        QCOMPARE(found->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Volume"));
        QCOMPARE(found->index(0, FoundFilesModel::ColVolume).data().toString(), QStringLiteral("gone"));
        QCOMPARE(found->storedPath(0), tmp / "unplugged/Photo \xfe.jpg");
        QVERIFY(found->currentPath(0).empty()); // not connected: nothing to open or show
        QCOMPARE(found->currentPath(1), tmp / "here/photo one.jpg");
        view->find(QStringLiteral("*.txt"));
        QVERIFY(searched.wait(5000));
        QCOMPARE(found->rowCount(), 1);
        QCOMPARE(found->index(0, FoundFilesModel::ColFile).data().toString(), QStringLiteral("notes.txt"));

        // The list on screen becomes a scan.
        QSignalSpy listed(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp / "here"));
        window.cmdSearch->click();
        QVERIFY(listed.wait(5000));
        QString failure = QStringLiteral("not called");
        window.catalogs()->addList(QString::fromStdString(path), QStringLiteral("added"),
                                   [&](const QString& error) { failure = error; });
        QTRY_VERIFY_WITH_TIMEOUT(failure != QStringLiteral("not called"), 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        std::string error;
        auto catalog = catalog::Catalog::open(path, catalog::Catalog::Access::Read, error);
        std::vector<catalog::VolumeInfo> info;
        QVERIFY(catalog && catalog->volumes(info, error));
        QCOMPARE(info.size(), std::size_t(3));
        QCOMPARE(info[0].label, std::string("added"));
        QCOMPARE(info[0].scans.size(), std::size_t(1));
        QCOMPARE(info[0].scans[0].files, std::uint64_t(window.model()->rowCount()));
        QCOMPARE(info[0].scans[0].bytes, std::uint64_t(6));
    }
};

QTEST_MAIN(CatalogViewTest)
#include "test_catalog_view.moc"
