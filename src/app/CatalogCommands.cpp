// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog commands of the File menu.
#include "app/CatalogCommands.h"

#include "app/CatalogView.h"
#include "app/ListCommands.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "catalog/Catalog.h"
#include "catalog/VolumeIdentity.h"
#include "search/Walker.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

#include <ctime>
#include <thread>

namespace dirlix {

CatalogCommands::CatalogCommands(frmMain* window) : QObject(window), mWindow(window)
{
    mOpen = new QAction(tr("Open Catalo&g…"), window);
    mAdd = new QAction(tr("A&dd to Catalog"), window);
    window->mnuFile->insertAction(window->mnuFileExit, mOpen);
    window->mnuFile->insertAction(window->mnuFileExit, mAdd);
    connect(mOpen, &QAction::triggered, this, &CatalogCommands::open);
    connect(mAdd, &QAction::triggered, this, &CatalogCommands::add);
    chooseCatalog = [this](bool forAdding) {
        const QString filter = tr("Catalogs (*.dxc *.db *.sqlite);;All files (*)");
        const QString shown = QDir::toNativeSeparators(mPath);
        return forAdding ? QFileDialog::getSaveFileName(mWindow, tr("Add to Catalog"), shown, filter, nullptr,
                                                        QFileDialog::DontConfirmOverwrite)
                         : QFileDialog::getOpenFileName(mWindow, tr("Open Catalog"), shown, filter);
    };
    chooseLabel = [this](const QString& proposed) {
        bool ok = false;
        const QString label = QInputDialog::getText(mWindow, tr("Add to Catalog"),
                                                    tr("Label of the volume (a new label makes a new volume):"),
                                                    QLineEdit::Normal, proposed, &ok);
        return ok ? label : QString();
    };
}

CatalogCommands::~CatalogCommands() = default;

void CatalogCommands::open()
{
    const QString path = chooseCatalog(false);
    if (!path.isEmpty())
        openCatalog(path);
}

bool CatalogCommands::openCatalog(const QString& path)
{
    if (mView && mView->path() != path)
        mView->close();
    if (!mView)
        mView = new CatalogView(mWindow, path);
    if (!mView->refresh()) {
        mWindow->reportFailure(tr("Open Catalog"), mView->status()->text());
        mView->close();
        return false;
    }
    mPath = path;
    mView->show();
    mView->raise();
    return true;
}

void CatalogCommands::add()
{
    // Half a list would be stored as if it were the whole volume.
    if (mWindow->search()->isRunning() || mWindow->lists()->isRunning()) {
        mWindow->reportFailure(tr("Add to Catalog"), tr("The list is still being searched or read; wait for it to "
                                                        "finish, or stop it, first."));
        return;
    }
    QString path = mView ? mView->path() : QString();
    if (path.isEmpty())
        path = chooseCatalog(true);
    if (path.isEmpty())
        return;
    const std::string folder = catalog::absolutePath(mWindow->txtDir->text().toStdString());
    const catalog::VolumeIdentity identity = catalog::identifyVolume(folder);
    QString proposed = QString::fromStdString(identity.label);
    if (proposed.isEmpty())
        proposed = QFileInfo(QString::fromStdString(folder)).fileName();
    const QString label = chooseLabel(proposed);
    if (label.isEmpty())
        return;
    addList(path, label, [this, path](const QString& error) {
        if (!error.isEmpty())
            mWindow->reportFailure(tr("Add to Catalog"), error);
        else
            openCatalog(path);
    });
}

void CatalogCommands::addList(const QString& path, const QString& label, std::function<void(const QString&)> done)
{
    if (mAdding) {
        if (done)
            done(tr("A list is being added to a catalog; wait for it to finish."));
        return;
    }
    mAdding = true;
    mAdd->setEnabled(false);
    mWindow->statusText()->setText(tr("Adding the list to the catalog %1…").arg(path.toHtmlEscaped()));
    catalog::NewScan scan;
    scan.label = label.toStdString();
    const std::string folder = catalog::absolutePath(mWindow->txtDir->text().toStdString());
    scan.identity = catalog::identifyVolume(folder);
    scan.root = Walker::startFolderText(folder);
    scan.madeAt = std::time(nullptr);
    // The rows as shown, read from a snapshot on a thread of its own: the window goes on meanwhile.
    std::shared_ptr<RowSource> rows = mWindow->shownRows();
    QPointer<CatalogCommands> self(this);
    std::thread([self, rows, scan, path = path.toStdString(), done = std::move(done)] {
        std::string error;
        if (auto catalog = catalog::Catalog::open(path, catalog::Catalog::Access::Write, error)) {
            catalog::ScanWriter writer(*catalog);
            Row row;
            bool ok = writer.begin(scan, error);
            while (ok && rows->next(row)) {
                const std::int64_t folder = writer.folder(row.folder, error);
                ok = folder != 0 && writer.addFile(folder, row.name, row.values, error);
            }
            if (ok)
                writer.commit(error);
        }
        const QString message = error.empty() ? QString()
                                               : QString::fromStdString(path) + QStringLiteral(": ") + QString::fromStdString(error);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, message, done] {
            if (!self)
                return;
            self->mAdding = false;
            self->mAdd->setEnabled(true);
            self->mWindow->statusText()->setText(message.isEmpty() ? tr("The list was added to the catalog.")
                                                                   : message.toHtmlEscaped());
            if (done)
                done(message);
        }, Qt::QueuedConnection);
    }).detach();
}

} // namespace dirlix
