// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Options dialog and the output settings it keeps in the store.
#include "output/SettingsStore.h"
#include "output/frmOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

using namespace dirlix;

namespace {

const QString kApp = QStringLiteral("Quillborne");
const QString kSection = QStringLiteral("Dirlix Pro");
const QString kAbsent = QStringLiteral("<absent>");

QString stored(const QString& key)
{
    return GetSetting(kApp, kSection, key, kAbsent);
}

void store(const QString& key, const QString& value)
{
    QVERIFY(SaveSetting(kApp, kSection, key, value));
}

/** The dialog with its save-failure report recorded instead of shown. */
class RecordingOptions : public frmOptions {
public:
    QStringList failures;

protected:
    void reportSaveFailure(const QString& message) override { failures.append(message); }
};

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

public:
    explicit TestOptions(QString configHome)
        : mConfigHome(std::move(configHome))
    {
    }

private:
    QString mConfigHome;

    QString storeFolder() const { return mConfigHome + QStringLiteral("/Quillborne"); }
    QString storeFile() const { return storeFolder() + QStringLiteral("/Quillborne.ini"); }

    static std::unique_ptr<RecordingOptions> loadedDialog()
    {
        auto dialog = std::make_unique<RecordingOptions>();
        dialog->LoadSettings();
        return dialog;
    }

    // Shown and active, as the user sees it: the date box completes typed text only then.
    static void showAndWait(frmOptions& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

private slots:
    void init()
    {
        QDir(storeFolder()).removeRecursively();
    }

    void firstRunShowsTheDefaultsAndWritesNothing()
    {
        const auto dialog = loadedDialog();
        QVERIFY(dialog->UseQuotes->isChecked());
        QVERIFY(dialog->UsePath->isChecked());
        QVERIFY(dialog->UseFilename->isChecked());
        QCOMPARE(dialog->dateFormat(), QStringLiteral("dd/mm/yy HH:MM:SS"));
        QCOMPARE(dialog->textFormat(), QStringLiteral("\"%6%1\""));
        QVERIFY(!QFile::exists(storeFile()));
    }

    // Catches a key saved under the wrong name, a value changed on the way, the date box's
    // completer turning a typed pattern into a preset, and a load that composes the template.
    void okSavesAllFiveKeysAndANewDialogLoadsThemBack()
    {
        auto dialog = loadedDialog();
        showAndWait(*dialog);
        QTest::mouseClick(dialog->UseQuotes, Qt::LeftButton);
        QTest::mouseClick(dialog->UseFilename, Qt::LeftButton);
        dialog->DateFormat->clearEditText();
        dialog->DateFormat->setFocus();
        QTest::keyClicks(dialog->DateFormat, QStringLiteral("dd/mm/yy"));
        dialog->TextFormat->clear();
        QTest::keyClicks(dialog->TextFormat, QStringLiteral("%Fn%%TAB%%Skk% KB"));
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);

        QVERIFY(dialog->isHidden());
        QVERIFY(dialog->failures.isEmpty());
        QCOMPARE(stored(QStringLiteral("UseQuotes")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("UsePath")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("UseFilename")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("DateFormat")), QStringLiteral("dd/mm/yy"));
        QCOMPARE(stored(QStringLiteral("TextFormat")), QStringLiteral("%Fn%%TAB%%Skk% KB"));

        const auto again = loadedDialog();
        QVERIFY(!again->UseQuotes->isChecked());
        QVERIFY(again->UsePath->isChecked());
        QVERIFY(!again->UseFilename->isChecked());
        QCOMPARE(again->dateFormat(), QStringLiteral("dd/mm/yy"));
        QCOMPARE(again->textFormat(), QStringLiteral("%Fn%%TAB%%Skk% KB"));
        QCOMPARE(again->DateFormat->count(), 19);
    }

    // Catches Enter adding the typed pattern to the presets or not reaching the default button,
    // and Esc or the frame's close button saving, destroying the dialog or keeping the edits.
    void enterActsAsOkEscAndCloseAsCancel_data()
    {
        QTest::addColumn<int>("way"); // 0 Enter in DateFormat, 1 Enter in TextFormat, 2 Esc,
                                      // 3 Cancel button, 4 closed through its frame
        QTest::newRow("Enter in DateFormat") << 0;
        QTest::newRow("Enter in TextFormat") << 1;
        QTest::newRow("Esc") << 2;
        QTest::newRow("Cancel") << 3;
        QTest::newRow("frame close") << 4;
    }

    void enterActsAsOkEscAndCloseAsCancel()
    {
        QFETCH(int, way);
        store(QStringLiteral("UseQuotes"), QStringLiteral("1"));
        store(QStringLiteral("UsePath"), QStringLiteral("0"));
        store(QStringLiteral("UseFilename"), QStringLiteral("1"));
        store(QStringLiteral("DateFormat"), QStringLiteral("yyyymmdd"));
        store(QStringLiteral("TextFormat"), QStringLiteral("%Dir%|%Fn%"));

        auto dialog = loadedDialog();
        QPointer<frmOptions> alive(dialog.get());
        showAndWait(*dialog);
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->cmdOk));

        QTest::mouseClick(dialog->UseQuotes, Qt::LeftButton);
        QTest::mouseClick(dialog->UsePath, Qt::LeftButton);
        QTest::mouseClick(dialog->UseFilename, Qt::LeftButton);
        dialog->DateFormat->setCurrentIndex(-1);
        dialog->DateFormat->clearEditText();
        dialog->DateFormat->setFocus();
        QTest::keyClicks(dialog->DateFormat, QStringLiteral("yyyy-mm"));
        dialog->TextFormat->clear();
        dialog->TextFormat->setFocus();
        QTest::keyClicks(dialog->TextFormat, QStringLiteral("edited"));

        switch (way) {
        case 0: QTest::keyClick(dialog->DateFormat, Qt::Key_Return); break;
        case 1: QTest::keyClick(dialog->TextFormat, Qt::Key_Return); break;
        case 2: QTest::keyClick(dialog->TextFormat, Qt::Key_Escape); break;
        case 3: QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton); break;
        case 4: dialog->close(); break;
        }

        QVERIFY(alive);
        QVERIFY(dialog->isHidden());
        QCOMPARE(dialog->DateFormat->count(), 19);
        const bool ok = way <= 1;
        QCOMPARE(stored(QStringLiteral("DateFormat")), ok ? QStringLiteral("yyyy-mm") : QStringLiteral("yyyymmdd"));
        QCOMPARE(stored(QStringLiteral("TextFormat")), ok ? QStringLiteral("edited") : QStringLiteral("%Dir%|%Fn%"));
        QCOMPARE(stored(QStringLiteral("UsePath")), ok ? QStringLiteral("1") : QStringLiteral("0"));
        // Either way the controls now agree with the store.
        QCOMPARE(dialog->UseQuotes->isChecked(), stored(QStringLiteral("UseQuotes")) == QLatin1String("1"));
        QCOMPARE(dialog->UsePath->isChecked(), stored(QStringLiteral("UsePath")) == QLatin1String("1"));
        QCOMPARE(dialog->UseFilename->isChecked(), stored(QStringLiteral("UseFilename")) == QLatin1String("1"));
        QCOMPARE(dialog->dateFormat(), stored(QStringLiteral("DateFormat")));
        QCOMPARE(dialog->textFormat(), stored(QStringLiteral("TextFormat")));

        showAndWait(*dialog);
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->cmdOk));
        dialog->hide();
    }

    // Catches a wrong order or a missing part in the composed template, and a box whose click
    // does not compose. Each row reaches its combination by a click on a different box.
    void eachClickComposesTheTemplate_data()
    {
        QTest::addColumn<bool>("quotes");
        QTest::addColumn<bool>("path");
        QTest::addColumn<bool>("filename");
        QTest::addColumn<QString>("composed");
        QTest::newRow("all") << true << true << true << QStringLiteral("\"%6%1\"");
        QTest::newRow("path, filename") << false << true << true << QStringLiteral("%6%1");
        QTest::newRow("quotes, filename") << true << false << true << QStringLiteral("\"%1\"");
        QTest::newRow("quotes, path") << true << true << false << QStringLiteral("\"%6\"");
        QTest::newRow("filename") << false << false << true << QStringLiteral("%1");
        QTest::newRow("path") << false << true << false << QStringLiteral("%6");
        QTest::newRow("quotes") << true << false << false << QStringLiteral("\"\"");
        QTest::newRow("none") << false << false << false << QString();
    }

    void eachClickComposesTheTemplate()
    {
        QFETCH(bool, quotes);
        QFETCH(bool, path);
        QFETCH(bool, filename);
        QFETCH(QString, composed);
        for (int clicked = 0; clicked < 3; ++clicked) {
            frmOptions dialog;
            QCheckBox* boxes[] = {dialog.UseQuotes, dialog.UsePath, dialog.UseFilename};
            const bool wanted[] = {quotes, path, filename};
            for (int i = 0; i < 3; ++i)
                boxes[i]->setChecked(i == clicked ? !wanted[i] : wanted[i]);
            dialog.TextFormat->setText(QStringLiteral("hand-typed %Fn%"));
            QTest::mouseClick(boxes[clicked], Qt::LeftButton);
            QCOMPARE(boxes[clicked]->isChecked(), wanted[clicked]);
            QCOMPARE(dialog.textFormat(), composed);
        }
    }

    // Catches a load that stops, or takes a wrong value, at a bad check-box text, and a store
    // that cannot be read or written stopping the dialog.
    void aCorruptStoreNeverStopsLoading_data()
    {
        QTest::addColumn<int>("corruption");
        QTest::newRow("check-box texts x, 2 and empty") << 0;
        QTest::newRow("section missing") << 1;
        QTest::newRow("binary garbage") << 2;
        QTest::newRow("folder in the file's place") << 3;
        QTest::newRow("unreadable file") << 4;
    }

    void aCorruptStoreNeverStopsLoading()
    {
        QFETCH(int, corruption);
        QDir().mkpath(storeFolder());
        QFile file(storeFile());
        switch (corruption) {
        case 0:
            store(QStringLiteral("UseQuotes"), QStringLiteral("x"));
            store(QStringLiteral("UsePath"), QStringLiteral("2"));
            store(QStringLiteral("UseFilename"), QString());
            store(QStringLiteral("DateFormat"), QStringLiteral("d-m"));
            store(QStringLiteral("TextFormat"), QStringLiteral("%1"));
            break;
        case 1:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Other]\nUseQuotes=0\nTextFormat=nope\n");
            file.close();
            break;
        case 2:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArrayLiteral("\xFF\xFE\x00[\x01=\n\x00\x00=UseQuotes").repeated(50));
            file.close();
            break;
        case 3:
            QVERIFY(QDir().mkpath(storeFile()));
            break;
        case 4:
            // Unreadable to its owner; root reads any file, so there a link that leads to itself
            // stands in the file's place and cannot be opened either.
            store(QStringLiteral("DateFormat"), QStringLiteral("d-m"));
            if (::geteuid() == 0) {
                QVERIFY(QFile::remove(storeFile()));
                QVERIFY(QFile::link(storeFile(), storeFile()));
            } else {
                QVERIFY(QFile::setPermissions(storeFile(), QFileDevice::Permissions()));
            }
            break;
        }

        auto dialog = loadedDialog();
        QVERIFY(dialog->UseQuotes->isChecked());
        QVERIFY(dialog->UsePath->isChecked());
        QVERIFY(dialog->UseFilename->isChecked());
        QCOMPARE(dialog->dateFormat(), corruption == 0 ? QStringLiteral("d-m") : QStringLiteral("dd/mm/yy HH:MM:SS"));
        QCOMPARE(dialog->textFormat(), corruption == 0 ? QStringLiteral("%1") : QStringLiteral("\"%6%1\""));

        if (corruption == 4) {
            // The store is written anew in the unreadable file's place, and reads back.
            showAndWait(*dialog);
            dialog->TextFormat->setText(QStringLiteral("kept"));
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            QVERIFY2(dialog->failures.isEmpty(), qPrintable(dialog->failures.join(QStringLiteral("; "))));
            QCOMPARE(GetSetting(kApp, kSection, QStringLiteral("TextFormat"), QString()), QStringLiteral("kept"));
        }
        if (corruption == 3) {
            // A save that fails is reported, naming the file, and the edits stay in force.
            showAndWait(*dialog);
            dialog->TextFormat->setText(QStringLiteral("kept"));
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            QCOMPARE(dialog->failures.size(), 1);
            QVERIFY2(dialog->failures.front().contains(storeFile()), qPrintable(dialog->failures.front()));
            QCOMPARE(dialog->textFormat(), QStringLiteral("kept"));
        }
    }

    // Catches cut-off texts, a wrong focus order and a wrong default button.
    void dialogMatchesItsDesign()
    {
        frmOptions dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(dialog.size(), QSize(329, 200));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!dialog.isModal());

        // Nothing but the check boxes' own captions is cut off, whatever the system font size.
        for (const QLabel* label : {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4})
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        dialog.LoadSettings();
        showAndWait(dialog);
        const QLineEdit* dateEdit = dialog.DateFormat->lineEdit();
        // QLineEdit keeps two pixels free on each side of its text.
        QVERIFY(dateEdit->fontMetrics().horizontalAdvance(dialog.dateFormat()) + 4 <= dateEdit->contentsRect().width());
        dialog.hide();
        QVERIFY(dialog.cmdOk->isDefault());
        QVERIFY(!dialog.cmdCancel->isDefault());

        const QWidget* expectedOrder[] = {dialog.cmdOk, dialog.TextFormat, dialog.cmdCancel, dialog.UseFilename,
                                          dialog.UsePath, dialog.UseQuotes, dialog.DateFormat, dialog.cmdOk};
        QWidget* current = dialog.cmdOk;
        for (std::size_t i = 1; i < std::size(expectedOrder); ++i) {
            do {
                current = current->nextInFocusChain();
            } while (current->focusPolicy() == Qt::NoFocus || current->focusProxy() || !current->isVisibleTo(&dialog));
            QCOMPARE(current, expectedOrder[i]);
        }

        // A pattern typed in is kept as typed: the box takes free text beside its 19 presets.
        QVERIFY(dialog.DateFormat->isEditable());
        QCOMPARE(dialog.DateFormat->count(), 19);
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
    TestOptions test(scratch.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_options.moc"
