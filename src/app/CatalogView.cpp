// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog view.
#include "app/CatalogView.h"

#include "app/RowActions.h"
#include "app/SizeChart.h"
#include "app/frmFilter.h"
#include "app/frmMain.h"
#include "catalog/CatalogFind.h"
#include "catalog/VolumeIdentity.h"
#include "product/DesktopOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <ctime>
#include <map>

namespace dirlix {

namespace {

// A search shows at most this many rows: enough to scroll through, little enough to stay light.
constexpr std::size_t kMostRowsShown = 200000;

QString bytesText(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString dateText(qint64 seconds)
{
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::ShortFormat);
}

// Where the volume's scan root is now: on its file system's mount today, or where it was walked.
std::string currentRootOf(const catalog::VolumeInfo& volume)
{
    if (!volume.uuid.empty()) {
        if (const auto mount = catalog::mountPointOf(volume.uuid)) {
            const std::string root = volume.subPath.empty() ? *mount : *mount + volume.subPath + mount->back();
            return catalog::folderExists(root) ? root : std::string();
        }
    }
    return !volume.root.empty() && catalog::folderExists(volume.root) ? volume.root : std::string();
}

} // namespace

void FoundFilesModel::reset(std::vector<Volume> volumes, std::vector<FoundFile> rows)
{
    beginResetModel();
    mVolumes = std::move(volumes);
    mRows = std::move(rows);
    endResetModel();
}

QVariant FoundFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= mRows.size())
        return {};
    const FoundFile& row = mRows[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == ColSize)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && mVolumes[std::size_t(row.volume)].currentRoot.empty())
        return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColVolume: return mVolumes[std::size_t(row.volume)].label;
    case ColFile: return bytesText(row.name);
    case ColSize: return row.known ? QLocale().toString(row.size) : QString();
    case ColModified: return row.known ? dateText(row.modified) : QString();
    case ColDirectory: return bytesText(row.folder);
    default: return {};
    }
}

QVariant FoundFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kCaptions[] = {"Volume", "File", "Size", "Modified", "Directory"};
    return section >= 0 && section < ColumnCount ? tr(kCaptions[section]) : QVariant();
}

std::string FoundFilesModel::storedPath(int row) const
{
    const FoundFile& file = mRows[std::size_t(row)];
    return file.folder + file.name;
}

std::string FoundFilesModel::currentPath(int row) const
{
    const FoundFile& file = mRows[std::size_t(row)];
    const Volume& volume = mVolumes[std::size_t(file.volume)];
    if (volume.currentRoot.empty())
        return {};
    if (!volume.scanRoot.empty() && file.folder.compare(0, volume.scanRoot.size(), volume.scanRoot) == 0)
        return volume.currentRoot + file.folder.substr(volume.scanRoot.size()) + file.name;
    return file.folder + file.name;
}

CatalogView::CatalogView(frmMain* window, const QString& path)
    : QWidget(window, Qt::Window), mWindow(window), mPath(path)
{
    setWindowTitle(tr("Catalog - %1").arg(path));
    setAttribute(Qt::WA_DeleteOnClose);
    mVolumes = new QTableWidget(0, 6, this);
    mVolumes->setHorizontalHeaderLabels({tr("Label"), tr("Scans"), tr("Files"), tr("Size"), tr("Last scan"),
                                         tr("Connected")});
    mVolumes->setSelectionBehavior(QAbstractItemView::SelectRows);
    mVolumes->setSelectionMode(QAbstractItemView::SingleSelection);
    mVolumes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mVolumes->verticalHeader()->hide();
    mVolumes->setShowGrid(false);
    mVolumes->setWordWrap(false);
    mVolumes->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    mVolumes->horizontalHeader()->setStretchLastSection(true);
    mChart = new SizeChart(this);

    mFind = new QLineEdit(this);
    mFind->setPlaceholderText(tr("Find in every volume: a part of a name, or masks such as *.jpg"));
    mFind->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(tr("&Find:"), this);
    findLabel->setBuddy(mFind);
    mFilterButton = new QPushButton(tr("Fil&ter…"), this);
    mResults = new QTableView(this);
    mFound = new FoundFilesModel(this);
    mResults->setModel(mFound);
    mResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    mResults->setShowGrid(false);
    mResults->setWordWrap(false);
    mResults->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    mResults->verticalHeader()->hide();
    mResults->horizontalHeader()->setStretchLastSection(true);
    mResults->setContextMenuPolicy(Qt::CustomContextMenu);
    mStatus = new QLabel(this);

    auto* top = new QHBoxLayout;
    top->addWidget(mVolumes, 3);
    top->addWidget(mChart, 2);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(mFind, 1);
    findRow->addWidget(mFilterButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 2);
    layout->addLayout(findRow);
    layout->addWidget(mResults, 3);
    layout->addWidget(mStatus);
    resize(900, 560);

    connect(mVolumes, &QTableWidget::itemSelectionChanged, this, &CatalogView::showChart);
    connect(mFind, &QLineEdit::returnPressed, this, [this] { find(mFind->text()); });
    connect(mFilterButton, &QPushButton::clicked, this, [this] { mWindow->filter()->open(); });
    connect(mWindow->filter(), &frmFilter::rulesChanged, this, [this] {
        if (!mFind->text().isEmpty())
            find(mFind->text());
    });
    connect(mResults, &QTableView::customContextMenuRequested, this, &CatalogView::showRowMenu);
    connect(mResults, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const std::string path = mFound->currentPath(index.row());
        if (!path.empty())
            desktopOpener().open(bytesText(path));
    });
}

CatalogView::~CatalogView()
{
    mStopSearch = true;
    if (mSearch.joinable())
        mSearch.join();
}

bool CatalogView::refresh()
{
    std::string error;
    auto catalog = catalog::Catalog::open(mPath.toStdString(), catalog::Catalog::Access::Read, error);
    if (catalog)
        catalog->volumes(mInfo, error);
    if (!catalog || !error.empty()) {
        mInfo.clear();
        mStatus->setText(tr("The catalog %1 could not be read: %2").arg(mPath, bytesText(error)));
        mVolumes->setRowCount(0);
        return false;
    }
    mVolumeRoots.clear();
    mVolumes->setRowCount(int(mInfo.size()));
    const QLocale locale;
    for (std::size_t i = 0; i < mInfo.size(); ++i) {
        const catalog::VolumeInfo& volume = mInfo[i];
        const std::string current = currentRootOf(volume);
        mVolumeRoots.push_back({bytesText(volume.label), volume.scans.empty() ? std::string() : volume.scans.back().root,
                                current});
        const catalog::ScanInfo* last = volume.scans.empty() ? nullptr : &volume.scans.back();
        const QString cells[] = {bytesText(volume.label), locale.toString(qulonglong(volume.scans.size())),
                                 last ? locale.toString(qulonglong(last->files)) : QString(),
                                 last ? locale.formattedDataSize(qint64(last->bytes)) : QString(),
                                 last ? dateText(last->madeAt) : QString(),
                                 current.empty() ? tr("no") : tr("yes, at %1").arg(bytesText(current))};
        for (int column = 0; column < 6; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column >= 1 && column <= 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            mVolumes->setItem(int(i), column, item);
        }
    }
    mVolumes->resizeColumnsToContents();
    if (!mInfo.empty() && mVolumes->selectedItems().isEmpty())
        mVolumes->selectRow(0);
    mStatus->setText(tr("%n volume(s)", nullptr, int(mInfo.size())));
    return true;
}

void CatalogView::showChart()
{
    const int row = mVolumes->currentRow();
    if (row < 0 || std::size_t(row) >= mInfo.size()) {
        mChart->setPoints({}, {});
        return;
    }
    std::vector<SizeChart::Point> points;
    for (const catalog::ScanInfo& scan : mInfo[std::size_t(row)].scans)
        points.push_back({scan.number, scan.bytes});
    mChart->setPoints(tr("%1: total size by scan").arg(bytesText(mInfo[std::size_t(row)].label)), std::move(points));
}

void CatalogView::find(const QString& text)
{
    mStopSearch = true;
    if (mSearch.joinable())
        mSearch.join();
    mStopSearch = false;
    const quint64 generation = ++mGeneration;
    mStatus->setText(tr("Searching…"));
    catalog::FindQuery query;
    query.mask = text.toStdString();
    query.filter = mWindow->filter()->rules();
    query.now = std::time(nullptr);
    std::map<std::string, int> volumeIndex;
    for (std::size_t i = 0; i < mInfo.size(); ++i)
        volumeIndex[mInfo[i].label] = int(i);
    // The thread has its own connection: a database handle is used by one thread only.
    mSearch = std::thread([this, generation, query, volumeIndex, path = mPath.toStdString()] {
        std::vector<FoundFilesModel::FoundFile> rows;
        std::string error;
        bool more = false;
        if (auto catalog = catalog::Catalog::open(path, catalog::Catalog::Access::Read, error)) {
            catalog::CatalogRows found(*catalog, query);
            found.setStop(&mStopSearch);
            Row row;
            if (found.prepare(error)) {
                while (found.next(row)) {
                    if (rows.size() == kMostRowsShown) {
                        more = true;
                        break;
                    }
                    const auto volume = volumeIndex.find(found.volume());
                    if (volume == volumeIndex.end())
                        continue; // a volume added since the view was read; Refresh shows it
                    rows.push_back({volume->second, std::string(row.name), std::string(row.folder), row.values.size,
                                    row.values.modified, row.values.valuesKnown()});
                }
                error = found.error();
            }
        }
        QMetaObject::invokeMethod(
            this, [this, generation, rows = std::move(rows), error, more]() mutable {
                showFound(generation, std::move(rows), bytesText(error), more);
            },
            Qt::QueuedConnection);
    });
}

void CatalogView::showFound(quint64 generation, std::vector<FoundFilesModel::FoundFile> rows, QString error, bool more)
{
    if (generation != mGeneration)
        return;
    const std::size_t count = rows.size();
    mFound->reset(mVolumeRoots, std::move(rows));
    mResults->resizeColumnsToContents();
    if (!error.isEmpty())
        mStatus->setText(tr("The search failed: %1").arg(error));
    else if (more)
        mStatus->setText(tr("The first %1 files found are shown.").arg(QLocale().toString(qulonglong(count))));
    else
        mStatus->setText(tr("%1 files found in the latest scan of each volume.").arg(QLocale().toString(qulonglong(count))));
    emit searchFinished();
}

void CatalogView::showRowMenu(const QPoint& at)
{
    const QModelIndexList rows = mResults->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int first = rows.front().row();
    const std::string current = mFound->currentPath(first);
    QMenu menu(this);
    QAction* open = menu.addAction(tr("&Open"));
    QAction* show = menu.addAction(tr("Show in &Folder"));
    QAction* copy = menu.addAction(tr("&Copy Path"));
    // A file on a volume that is not connected can only be named, not reached.
    open->setEnabled(!current.empty());
    show->setEnabled(!current.empty());
    QAction* chosen = menu.exec(mResults->viewport()->mapToGlobal(at));
    if (chosen == open) {
        desktopOpener().open(bytesText(current));
    } else if (chosen == show) {
        const std::size_t slash = current.find_last_of("/\\");
        desktopOpener().showInFolder(RowActions::fileUrl(current), RowActions::fileUrl(current.substr(0, slash + 1)));
    } else if (chosen == copy) {
        QStringList paths;
        for (const QModelIndex& index : rows) {
            const std::string now = mFound->currentPath(index.row());
            paths << bytesText(now.empty() ? mFound->storedPath(index.row()) : now);
        }
        QApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
    }
}

} // namespace dirlix
