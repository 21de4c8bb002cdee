// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Filter dialog, its stored keys, the status bar's note and a filtered search.
#include "app/FileListModel.h"
#include "app/FilterNote.h"
#include "app/SearchController.h"
#include "app/frmFilter.h"
#include "app/frmMain.h"
#include "platform/SettingsLocation.h"
#include "search/FileList.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace dirlix;
using namespace dirlix::test;

static const QString kApp = QStringLiteral("Quillborne");

class FilterDialogTest : public QObject {
    Q_OBJECT
public:
    explicit FilterDialogTest(const QString& configHome) : mStore(configHome + QStringLiteral("/Quillborne/Quillborne.ini")) {}

private:
    QString mStore;

    // The store is read and written as the text of its INI file. Where the store is no file (the
    // registry on Windows) its keys pass through that file, so the same texts are written and checked.
    static bool storeIsAFile() { return !platform::settingsFile(kApp).isEmpty(); }
    static QSettings nativeStore() { return QSettings(platform::settingsFormat(), QSettings::UserScope, kApp, kApp); }
    void clearStore()
    {
        if (!storeIsAFile())
            nativeStore().clear();
        QFile::remove(mStore);
    }
    void writeStore(const QByteArray& keys)
    {
        QDir().mkpath(QFileInfo(mStore).path());
        {
            QFile file(mStore);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Dirlix%20Pro]\n" + keys);
        }
        if (!storeIsAFile()) {
            QSettings native = nativeStore();
            native.clear();
            const QSettings ini(mStore, QSettings::IniFormat);
            for (const QString& key : ini.allKeys())
                native.setValue(key, ini.value(key));
        }
    }
    QByteArray store() const
    {
        if (!storeIsAFile()) {
            QFile::remove(mStore);
            const QSettings native = nativeStore();
            if (!native.allKeys().isEmpty()) {
                QSettings ini(mStore, QSettings::IniFormat);
                for (const QString& key : native.allKeys())
                    ini.setValue(key, native.value(key));
            }
        }
        QFile file(mStore);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() { frmMain::setFailureDialogsShown(false); }

    // Catches a corrupt key that filters anyway or spoils the others, and check-box texts other
    // than "1" read as set.
    void corruptStoredValuesSetNoRule()
    {
        writeStore("IncludeMasks=[abc\nExcludeMasks=tmp\nMinSize=ten\nMaxSize=5K\nModifiedAfter=2024-13-01\n"
                   "ModifiedBefore=2024-03-05\nFollowLinks=yes\nDotFolders=1\n");
        frmMain window;
        const FilterRules& rules = window.filter()->rules();
        QVERIFY(rules.include.empty() && !rules.minSize && !rules.newer && !rules.followLinks);
        QCOMPARE(rules.exclude, std::vector<std::string>{"tmp"});
        QCOMPARE(rules.maxSize, std::optional<std::int64_t>(5120));
        QVERIFY(rules.older && rules.dotFolders);
        QCOMPARE(window.filter()->MaxSizeUnit->currentText(), QStringLiteral("KB"));
        QVERIFY(!window.filterText()->isHidden());
    }

    // Catches OK storing a refused value, Cancel keeping edits, a rule that does not reach the
    // search or the status bar, and Clear leaving a rule in force or in the store.
    void okStoresCancelRestoresAndTheSearchUsesTheRules()
    {
        clearStore();
        TempDir tmp;
        makeDirs(tmp / "tree/skip");
        writeFile(tmp / "tree/a.jpg", std::string(2048, 'x'));
        writeFile(tmp / "tree/b.JPG", "x");
        writeFile(tmp / "tree/c.txt", std::string(4096, 'x'));
        writeFile(tmp / "tree/skip/d.jpg", std::string(4096, 'x'));
        frmMain window;
        frmFilter& dialog = *window.filter();
        QVERIFY(window.filterText()->isHidden());

        dialog.open();
        dialog.IncludeMasks->setText(QStringLiteral("*.JPG;*.png"));
        dialog.ExcludeMasks->setText(QStringLiteral("skip"));
        dialog.MinSize->setText(QStringLiteral("2"));
        dialog.MinSizeUnit->setCurrentIndex(1);
        dialog.MaxSize->setText(QStringLiteral("1"));
        dialog.MaxSizeUnit->setCurrentIndex(0);
        dialog.cmdOk->click();
        QVERIFY(dialog.isVisible() && dialog.Problem->isVisible());
        QVERIFY2(dialog.Problem->text().contains(QStringLiteral("larger")), qPrintable(dialog.Problem->text()));
        QVERIFY(store().isEmpty());
        dialog.MaxSize->clear();
        dialog.ModifiedAfter->setText(QStringLiteral("2024-02-30"));
        dialog.cmdOk->click();
        QVERIFY(dialog.isVisible() && dialog.Problem->text().contains(QStringLiteral("2024-02-30")));
        dialog.ModifiedAfter->setText(QStringLiteral("365d"));
        dialog.cmdOk->click();
        QVERIFY(!dialog.isVisible());
        const QByteArray saved = store();
        for (const char* key : {"IncludeMasks=\"*.JPG;*.png\"", "ExcludeMasks=skip", "MinSize=2K", "ModifiedAfter=365d",
                                "DotFolders=0"})
            QVERIFY2(saved.contains(key), saved.constData());
        QVERIFY(window.filterText()->toolTip().contains(QStringLiteral("*.JPG;*.png, not skip, ≥ 2 KB")));

        dialog.open();
        dialog.IncludeMasks->setText(QStringLiteral("*.txt"));
        dialog.DotFolders->setChecked(true);
        dialog.cmdCancel->click();
        QCOMPARE(dialog.IncludeMasks->text(), QStringLiteral("*.JPG;*.png"));
        QVERIFY(!dialog.DotFolders->isChecked());
        QCOMPARE(store(), saved);

        QSignalSpy finished(window.search(), &SearchController::finished);
        window.txtDir->setText(QString::fromStdString(tmp / "tree"));
        window.cmdSearch->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(window.model()->list().count(), std::size_t(1));
        QVERIFY2(window.statusText()->text().contains(QStringLiteral("the filter left out 2 file(s) and 1 folder(s)")),
                 qPrintable(window.statusText()->text()));

        emit window.filterText()->linkActivated(QStringLiteral("clear"));
        QVERIFY(window.filterText()->isHidden() && !window.filter()->rules().active());
        QVERIFY(!store().contains("IncludeMasks=\"*"));
        window.cmdSearch->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(window.model()->list().count(), std::size_t(4));
    }
};

int main(int argc, char** argv)
{
    // The store must never be the real user's: point it at a scratch folder before Qt starts.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FilterDialogTest test(scratch.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_filter_dialog.moc"
