// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Options dialog and the output settings it keeps in the store.
#include "output/SettingsStore.h"
#include "output/frmOptions.h"
#include "platform/SettingsLocation.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>
#include <utility>

using namespace dirlix;

namespace {

const QString kApp = "Quillborne";
const QString kSection = "Dirlix Pro";
const QStringList kKeys = {"UseQuotes", "UsePath", "UseFilename", "DateFormat", "TextFormat"};
const QStringList kDefaults = {"1", "1", "1", "dd/mm/yy HH:MM:SS", "\"%6%1\""};

/** The five settings as the store holds them, in the order of kKeys. */
QStringList stored()
{
    QStringList values;
    for (const QString& key : kKeys)
        values.append(GetSetting(kApp, kSection, key, "<absent>"));
    return values;
}

void store(const QStringList& values)
{
    for (int i = 0; i < kKeys.size(); ++i)
        QVERIFY(SaveSetting(kApp, kSection, kKeys[i], values[i]));
}

/** The five settings as the dialog's controls show them, spelled as the store holds them. */
QStringList shown(const frmOptions& dialog)
{
    auto bit = [](const QCheckBox* box) { return QString::number(int(box->isChecked())); };
    return {bit(dialog.UseQuotes), bit(dialog.UsePath), bit(dialog.UseFilename), dialog.dateFormat(), dialog.textFormat()};
}

/** The dialog with its save-failure report recorded instead of shown. */
class RecordingOptions : public frmOptions {
public:
    QStringList failures;

protected:
    void reportSaveFailure(const QString& message) override { failures.append(message); }
};

std::unique_ptr<RecordingOptions> loadedDialog()
{
    auto dialog = std::make_unique<RecordingOptions>();
    dialog->LoadSettings();
    return dialog;
}

// A data column @p column numbering the rows @p names from 0.
void numberedRows(const char* column, std::initializer_list<const char*> names)
{
    QTest::addColumn<int>(column);
    int number = 0;
    for (const char* name : names)
        QTest::newRow(name) << number++;
}

// Shown and active, as the user sees it: the date box completes typed text only then.
void showAndWait(frmOptions& dialog)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

public:
    explicit TestOptions(QString configHome)
        : mStoreFile(configHome + QStringLiteral("/Quillborne/Quillborne.ini"))
    {
    }

private:
    QString mStoreFile;

private slots:
    void init()
    {
        // Where the store is no file (the registry on Windows), its keys are removed through it.
        QSettings(platform::settingsFormat(), QSettings::UserScope, kApp, kApp).clear();
        QDir(QFileInfo(mStoreFile).path()).removeRecursively();
    }

    // Catches a key saved under the wrong name or a value changed on the way; the date box's
    // completer turning a typed pattern into a preset, or Enter adding it to the presets; Enter not
    // reaching the default button; and Esc or the frame's close button saving, destroying the
    // dialog or keeping the edits.
    void okAndEnterSaveEscAndCloseCancel_data()
    {
        numberedRows("way", {"OK", "Enter in DateFormat", "Enter in TextFormat", "Esc", "Cancel", "frame close"});
    }

    void okAndEnterSaveEscAndCloseCancel()
    {
        QFETCH(int, way);
        const QStringList before{"1", "0", "1", "yyyymmdd", "%Dir%|%Fn%"};
        store(before);
        auto dialog = loadedDialog();
        QPointer<frmOptions> alive(dialog.get());
        showAndWait(*dialog);
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->cmdOk));

        for (QCheckBox* box : {dialog->UseQuotes, dialog->UsePath, dialog->UseFilename})
            QTest::mouseClick(box, Qt::LeftButton);
        dialog->DateFormat->setCurrentIndex(-1);
        dialog->DateFormat->clearEditText();
        dialog->DateFormat->setFocus();
        QTest::keyClicks(dialog->DateFormat, QStringLiteral("yyyy-mm"));
        dialog->TextFormat->clear();
        dialog->TextFormat->setFocus();
        QTest::keyClicks(dialog->TextFormat, QStringLiteral("%Fn%%TAB%%Skk% KB"));
        switch (way) {
        case 0: QTest::mouseClick(dialog->cmdOk, Qt::LeftButton); break;
        case 1: QTest::keyClick(dialog->DateFormat, Qt::Key_Return); break;
        case 2: QTest::keyClick(dialog->TextFormat, Qt::Key_Return); break;
        case 3: QTest::keyClick(dialog->TextFormat, Qt::Key_Escape); break;
        case 4: QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton); break;
        case 5: dialog->close(); break;
        }

        QVERIFY(alive);
        QVERIFY(dialog->isHidden());
        QVERIFY(dialog->failures.isEmpty());
        QCOMPARE(dialog->DateFormat->count(), 19);
        const QStringList edited{"0", "1", "0", "yyyy-mm", "%Fn%%TAB%%Skk% KB"};
        const QStringList& after = way <= 2 ? edited : before;
        QCOMPARE(stored(), after);
        QCOMPARE(shown(*dialog), after); // either way the controls now agree with the store
        const auto again = loadedDialog();
        QCOMPARE(shown(*again), after);
        QCOMPARE(again->DateFormat->count(), 19);
        showAndWait(*dialog);
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->cmdOk));
        dialog->hide();
    }

    // Catches a wrong order or a missing part in the composed template, and a box whose click
    // does not compose. Each combination is reached by a click on each box in turn.
    void eachClickComposesTheTemplate()
    {
        const std::pair<std::array<bool, 3>, QString> combinations[] = {
            {{true, true, true}, "\"%6%1\""}, {{true, false, true}, "\"%1\""}, {{false, true, false}, "%6"},
            {{true, false, false}, "\"\""}, {{false, false, false}, ""}};
        for (const auto& [wanted, composed] : combinations) {
            for (int clicked = 0; clicked < 3; ++clicked) {
                frmOptions dialog;
                QCheckBox* boxes[] = {dialog.UseQuotes, dialog.UsePath, dialog.UseFilename};
                for (int i = 0; i < 3; ++i)
                    boxes[i]->setChecked(i == clicked ? !wanted[i] : wanted[i]);
                dialog.TextFormat->setText("hand-typed %Fn%");
                QTest::mouseClick(boxes[clicked], Qt::LeftButton);
                QCOMPARE(boxes[clicked]->isChecked(), wanted[clicked]);
                QCOMPARE(dialog.textFormat(), composed);
            }
        }
    }

    // Catches a load that writes the store, stops or takes a wrong value at a bad check-box text,
    // and a store that cannot be read or written stopping the dialog.
    void aCorruptStoreNeverStopsLoading_data()
    {
        numberedRows("corruption", {"no store yet", "check-box texts x, 2 and empty", "section missing",
                                    "binary garbage", "folder in the file's place", "unreadable file"});
    }

    void aCorruptStoreNeverStopsLoading()
    {
        QFETCH(int, corruption);
        if (corruption >= 2 && platform::settingsFile(kApp).isEmpty())
            QSKIP("the store is no file here (the registry on Windows): no file to corrupt or put a folder in");
        QFile file(mStoreFile);
        auto write = [&](const QByteArray& bytes) {
            QVERIFY(QDir().mkpath(QFileInfo(mStoreFile).path()) && file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
        };
        switch (corruption) {
        case 1:
            store({"x", "2", "", "d-m", "%1"});
            break;
        case 2: write("[Other]\nUseQuotes=0\nTextFormat=nope\n"); break;
        case 3: write(QByteArrayLiteral("\xFF\xFE\x00[\x01=\n\x00\x00=UseQuotes").repeated(50)); break;
        case 4: QVERIFY(QDir().mkpath(mStoreFile)); break;
        case 5:
            // Unreadable to its owner; root reads any file, so there a link that leads to itself
            // stands in the file's place and cannot be opened either.
            store({"0", "0", "0", "d-m", ""});
            if (test::isSuperUser())
                QVERIFY(QFile::remove(mStoreFile) && QFile::link(mStoreFile, mStoreFile));
            else
                QVERIFY(QFile::setPermissions(mStoreFile, QFileDevice::Permissions()));
            break;
        }

        auto dialog = loadedDialog();
        const QStringList fromBadBoxes{"1", "1", "1", "d-m", "%1"};
        QCOMPARE(shown(*dialog), corruption == 1 ? fromBadBoxes : kDefaults);
        if (corruption == 0)
            QVERIFY(!QFile::exists(mStoreFile));
        if (corruption < 4)
            return;

        // Unreadable: the store is written anew in the file's place and reads back. A folder there:
        // the failed save is reported, naming the file, and the edits stay in force.
        showAndWait(*dialog);
        dialog->TextFormat->setText(QStringLiteral("kept"));
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(dialog->textFormat(), QStringLiteral("kept"));
        if (corruption == 5) {
            QVERIFY2(dialog->failures.isEmpty(), qPrintable(dialog->failures.join(QStringLiteral("; "))));
            QCOMPARE(stored().last(), QStringLiteral("kept"));
        } else {
            QCOMPARE(dialog->failures.size(), 1);
            QVERIFY2(dialog->failures.front().contains(mStoreFile), qPrintable(dialog->failures.front()));
        }
    }

    // Catches texts cut off by the system's font, which no reading of the code shows.
    void textsFit()
    {
        if (QFontDatabase::families().isEmpty())
            QSKIP("the platform plugin has no fonts (the offscreen one on Windows under wine finds none), "
                  "so no text width can be measured");
        frmOptions dialog;
        // Nothing but the check boxes' own captions is cut off.
        for (const QLabel* label : {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4})
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        dialog.LoadSettings();
        showAndWait(dialog);
        const QLineEdit* dateEdit = dialog.DateFormat->lineEdit();
        // QLineEdit keeps two pixels free on each side of its text.
        QVERIFY(dateEdit->fontMetrics().horizontalAdvance(dialog.dateFormat()) + 4 <= dateEdit->contentsRect().width());
        dialog.hide();
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
