// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the duplicates window.
#include "app/DuplicateWindow.h"

#include "app/DuplicateModel.h"
#include "app/RowActions.h"
#include "app/frmMain.h"

#include <QAction>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableView>

namespace dirlix {

namespace {

// "1 file", "1,234 files": the number in the locale's digits and separators.
QString counted(std::uint64_t count, const QString& one, const QString& many)
{
    return count == 1 ? one : many.arg(QLocale().toString(qulonglong(count)));
}

} // namespace

DuplicateWindow::DuplicateWindow(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    setWindowTitle(tr("Duplicates"));
    mModel = new DuplicateModel(this);
    mView = new QTableView(this);
    mView->setModel(mModel);
    // As the main list: a fixed-pitch face, whole rows, no grid, a header that does not sort.
    mView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mView->setShowGrid(false);
    mView->setWordWrap(false);
    mView->setSelectionBehavior(QAbstractItemView::SelectRows);
    mView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    mView->verticalHeader()->hide();
    mView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    mView->verticalHeader()->setDefaultSectionSize(QFontMetrics(mView->font()).height() + 3);
    mView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    mView->horizontalHeader()->setHighlightSections(false);
    mView->horizontalHeader()->setStretchLastSection(true);
    setCentralWidget(mView);

    mRows = new RowActions(mView, this);
    connect(mRows, &RowActions::failed, this, &DuplicateWindow::reportFailure);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* close = file->addAction(tr("&Close"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(mRows->openAction);
    edit->addAction(mRows->openFolderAction);
    edit->addSeparator();
    edit->addAction(mRows->copyPathsAction);
    edit->addAction(mRows->copyRowsAction);
    edit->addSeparator();
    edit->addAction(mRows->selectAllAction);

    mStatus = new QLabel(this);
    mStatus->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(mStatus, 1);
    resize(760, 420);
}

QString DuplicateWindow::summary(std::uint64_t groups, std::uint64_t files, std::uint64_t wasted,
                                 std::uint64_t filesLookedAt, std::uint64_t unread)
{
    const QLocale locale;
    QString text;
    if (groups == 0) {
        text = tr("No duplicates among %1.").arg(counted(filesLookedAt, tr("1 file"), tr("%1 files")));
    } else {
        text = tr("%1 of duplicates, %2; %3 (%4) could be freed.")
                   .arg(counted(groups, tr("1 group"), tr("%1 groups")), counted(files, tr("1 file"), tr("%1 files")),
                        counted(wasted, tr("1 byte"), tr("%1 bytes")), locale.formattedDataSize(qint64(wasted)));
    }
    if (unread != 0)
        text += QLatin1Char(' ') + counted(unread, tr("1 file could not be read."), tr("%1 files could not be read."));
    return text;
}

void DuplicateWindow::showGroups(std::vector<DuplicateGroup> groups, std::uint64_t filesLookedAt, std::uint64_t unread)
{
    mModel->setGroups(std::move(groups));
    mStatus->setText(summary(mModel->groups().size(), mModel->files(), mModel->wasted(), filesLookedAt, unread));
    // Group and Size as wide as their longest text; Path takes the rest.
    mView->horizontalHeader()->setResizeContentsPrecision(256);
    mView->resizeColumnToContents(0);
    mView->resizeColumnToContents(1);
    mView->scrollToTop();
}

void DuplicateWindow::reportFailure(const QString& message)
{
    mStatus->setText(message);
    if (frmMain::failureDialogsShown())
        QMessageBox::warning(this, tr("Open"), message);
}

} // namespace dirlix
