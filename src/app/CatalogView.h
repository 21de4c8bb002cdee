// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog view: its volumes, a chart of a volume's size, and files found across volumes.
#pragma once

#include "catalog/Catalog.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace dirlix {

class frmMain;
class SizeChart;

/** The files a catalog search found, with their volume first. */
class FoundFilesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColVolume, ColFile, ColSize, ColModified, ColDirectory, ColumnCount };
    struct FoundFile {
        int volume = 0; ///< index into the model's volumes
        std::string name, folder;
        qint64 size = 0, modified = 0;
        bool known = true;
    };
    /** A volume as the rows name it: its label, and where its scan's start folder is now (empty: not connected). */
    struct Volume {
        QString label;
        std::string scanRoot;
        std::string currentRoot;
    };

    using QAbstractTableModel::QAbstractTableModel;
    void reset(std::vector<Volume> volumes, std::vector<FoundFile> rows);
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(mRows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /** The path of row @p row as stored (bytes). */
    std::string storedPath(int row) const;
    /** The path of row @p row where its volume is connected now; empty when it is not. */
    std::string currentPath(int row) const;

private:
    std::vector<Volume> mVolumes;
    std::vector<FoundFile> mRows;
};

/**
 * A window on one catalog: the volumes (label, scans, files, size, last scan, connected now), a
 * chart of the selected volume's size over its scans, and a find line that searches the latest
 * scan of every volume with the main window's filter. Open and Show in Folder act on files of
 * connected volumes only; Copy Path on all.
 */
class CatalogView : public QWidget {
    Q_OBJECT
public:
    /** A view of the catalog in the file @p path, served by @p window (its filter and settings). */
    CatalogView(frmMain* window, const QString& path);
    ~CatalogView() override;

    const QString& path() const { return mPath; }
    /** Reads the volumes again. Returns false, showing why, when the catalog cannot be read. */
    bool refresh();
    /** Searches for @p text (a part of a name, or masks), off the window's thread. */
    void find(const QString& text);

    QTableWidget* volumes() const { return mVolumes; }
    SizeChart* chart() const { return mChart; }
    QLineEdit* findText() const { return mFind; }
    QTableView* results() const { return mResults; }
    FoundFilesModel* found() const { return mFound; }
    QLabel* status() const { return mStatus; }

signals:
    /** A search ended and its rows are shown. */
    void searchFinished();

private:
    void showChart();
    void showFound(quint64 generation, std::vector<FoundFilesModel::FoundFile> rows, QString error, bool more);
    void showRowMenu(const QPoint& at);

    frmMain* mWindow;
    QString mPath;
    std::vector<catalog::VolumeInfo> mInfo;
    std::vector<FoundFilesModel::Volume> mVolumeRoots;
    QTableWidget* mVolumes;
    SizeChart* mChart;
    QLineEdit* mFind;
    QPushButton* mFilterButton;
    QTableView* mResults;
    FoundFilesModel* mFound;
    QLabel* mStatus;
    std::atomic<quint64> mGeneration{0};
    std::atomic<bool> mStopSearch{false};
    std::thread mSearch; // joined before the next search and on destruction, so it never outlives the view
};

} // namespace dirlix
