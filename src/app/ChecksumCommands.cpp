// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Checksums.
#include "app/ChecksumCommands.h"

#include "app/DuplicateCommands.h"
#include "app/FileListModel.h"
#include "app/ListCommands.h"
#include "app/ListWorkspace.h"
#include "app/RowActions.h"
#include "app/SearchController.h"
#include "app/frmMain.h"
#include "content/ContentReader.h"
#include "output/SettingsStore.h"
#include "product/AppProduct.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace dirlix {

namespace {

const QString kAlgorithmKey = QStringLiteral("HashAlgorithm");

QString application()
{
    return toQString(AppProduct().CompanyName);
}

QString section()
{
    return toQString(AppProduct().Name);
}

} // namespace

// What the reading thread shares with the window: the window owns it until the thread is joined.
struct ChecksumCommands::Job {
    HashAlgorithm algorithm = HashAlgorithm::Sha256;
    std::vector<std::size_t> rows;  // list indexes to read
    std::vector<std::string> paths; // their files, in the same order
    std::size_t listSize = 0;
    std::vector<std::string> hashes; // by list index; filled by the thread
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<std::uint64_t> read{0};
    std::atomic<std::uint64_t> failed{0};
};

ChecksumCommands::ChecksumCommands(frmMain* window) : QObject(window), mWindow(window)
{
    mMenu = new QMenu(tr("Chec&ksums"), window);
    auto* group = new QActionGroup(this);
    const QString labels[] = {tr("&SHA-256"), tr("&MD5"), tr("SHA-&1"), tr("&XXH128")};
    const QString remembered = GetSetting(application(), section(), kAlgorithmKey, QStringLiteral("sha256"));
    const auto chosen = hashAlgorithmNamed(remembered.toStdString()).value_or(HashAlgorithm::Sha256);
    for (int i = 0; i < 4; ++i) {
        const auto algorithm = HashAlgorithm(i);
        mItems[i] = mMenu->addAction(labels[i]);
        mItems[i]->setCheckable(true);
        mItems[i]->setChecked(algorithm == chosen);
        group->addAction(mItems[i]);
        connect(mItems[i], &QAction::triggered, this, [this, algorithm] { compute(algorithm); });
    }
    window->mnuFile->insertMenu(window->mnuFileExit, mMenu);
    mTimer = new QTimer(this);
    mTimer->setInterval(100);
    connect(mTimer, &QTimer::timeout, this, &ChecksumCommands::poll);
    // A new search or list while reading: the checksums would belong to rows that are gone.
    connect(window->model(), &FileListModel::listCleared, this, &ChecksumCommands::stop);
}

ChecksumCommands::~ChecksumCommands()
{
    if (mJob)
        mJob->stop = true;
    if (mWorker.joinable())
        mWorker.join();
}

QAction* ChecksumCommands::menuAction() const
{
    return mMenu->menuAction();
}

bool ChecksumCommands::stop()
{
    if (!isRunning())
        return false;
    mJob->stop = true;
    return true;
}

void ChecksumCommands::compute(HashAlgorithm algorithm)
{
    const QString title = tr("Checksums");
    const std::string name(hashAlgorithmName(algorithm));
    mItems[int(algorithm)]->setChecked(true);
    // Remembered even when the run is refused: the choice is the user's either way. A settings
    // file that cannot be written costs the choice next time, never the checksums now.
    SaveSetting(application(), section(), kAlgorithmKey, QString::fromStdString(name));
    QString refusal;
    if (isRunning())
        refusal = tr("Checksums are still being read; wait for them, or stop them, first.");
    else if (mWindow->search()->isRunning() || mWindow->lists()->isRunning())
        refusal = tr("Wait for the list to be complete, or stop it, first.");
    else if (mWindow->duplicates() && mWindow->duplicates()->isRunning())
        refusal = tr("Duplicates are still being looked for; wait for them, or stop them, first.");
    else if (mWindow->lists()->comparing())
        refusal = tr("Checksums are made for the file list, not for a comparison: open the list first.");
    if (!refusal.isEmpty()) {
        mWindow->reportFailure(title, refusal);
        emit finished();
        return;
    }

    FileListModel* model = mWindow->model();
    auto job = std::make_shared<Job>();
    job->algorithm = algorithm;
    job->listSize = model->list().count();
    if (const std::vector<std::uint32_t> selected = mWindow->workspace()->rows()->selectedRows(); !selected.empty()) {
        job->rows.assign(selected.begin(), selected.end());
        std::sort(job->rows.begin(), job->rows.end()); // in walk order: neighbours on disk read together
    } else if (model->ordered()) {
        for (int i = 0; i < model->rowCount(); ++i)
            job->rows.push_back(model->listIndex(i));
    } else {
        for (std::size_t i = 0; i < job->listSize; ++i)
            job->rows.push_back(i);
    }
    std::string folder;
    job->paths.reserve(job->rows.size());
    for (const std::size_t row : job->rows) {
        const Row values = model->list().row(row, folder);
        std::string path(values.folder);
        path += values.name;
        // A row of texts (from a list read back) names a file by its texts only; it is read all the same.
        job->paths.push_back(std::move(path));
    }

    mJob = job;
    mWorker = std::thread([job] {
        job->hashes.resize(job->listSize);
        ContentReader reader;
        reader.setStop(&job->stop);
        const auto digest = makeDigest(job->algorithm);
        for (std::size_t i = 0; i < job->rows.size() && !job->stop; ++i) {
            const ReadStatus status = reader.digestWhole(job->paths[i], {}, *digest);
            if (status.ok())
                job->hashes[job->rows[i]] = digest->hex();
            else if (status.outcome != ReadOutcome::NotRegular)
                ++job->failed;
            ++job->read;
        }
        job->done = true;
    });
    mWindow->stopButton()->show();
    mWindow->stopShortcut()->setEnabled(true);
    showProgress();
    mTimer->start();
}

void ChecksumCommands::showProgress()
{
    if (!mJob)
        return;
    mWindow->statusText()->setText(tr("Reading checksums (%1)… %2 of %3 files")
                                       .arg(QString::fromLatin1(hashAlgorithmName(mJob->algorithm).data()),
                                            QLocale().toString(qulonglong(mJob->read)),
                                            QLocale().toString(qulonglong(mJob->rows.size())))
                                       .toHtmlEscaped());
}

void ChecksumCommands::poll()
{
    if (!mJob || !mJob->done) {
        showProgress();
        return;
    }
    mTimer->stop();
    mWorker.join();
    const std::shared_ptr<Job> job = std::move(mJob);
    mWindow->hideStopUnlessBusy();
    QString text;
    if (job->stop) {
        text = tr("Checksums stopped; none are shown.");
    } else {
        const QString algorithm = QString::fromLatin1(hashAlgorithmName(job->algorithm).data());
        mWindow->model()->setHashes(std::string(hashAlgorithmName(job->algorithm)), std::move(job->hashes));
        text = tr("Checksums (%1) of %2 files").arg(algorithm, QLocale().toString(qulonglong(job->rows.size())));
        if (job->failed != 0)
            text += tr("; %1 could not be read").arg(QLocale().toString(qulonglong(job->failed)));
    }
    mWindow->statusText()->setText(text.toHtmlEscaped());
    emit finished();
}

} // namespace dirlix
