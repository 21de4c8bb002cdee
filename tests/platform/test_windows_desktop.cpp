// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro tests: the Windows settings store and collation (run under wine here).
#include "output/SettingsStore.h"
#include "platform/CollationKeys.h"

#include <QtTest>

#include <windows.h>

#include <string>

using namespace dirlix;

class TestWindowsDesktop : public QObject {
    Q_OBJECT

private slots:
    // Catches: settings written to an INI file (or anywhere but the registry) on Windows, or
    // texts that do not come back as they were stored.
    void settingsRoundTripThroughTheRegistry()
    {
        // A name of its own, removed at the end: the user's own settings are never touched.
        const QString application = QStringLiteral("Dirlix Test %1").arg(GetCurrentProcessId());
        const QString section = QStringLiteral("Dirlix Pro");
        const QString text = QStringLiteral("%1 \u03A9 %TAB% \u65E5\u672C \"quoted\"");
        QString error;
        QVERIFY2(SaveSetting(application, section, QStringLiteral("TextFormat"), text, &error), qPrintable(error));
        QVERIFY(SaveSetting(application, section, QStringLiteral("UseQuotes"), QStringLiteral("1")));
        QCOMPARE(GetSetting(application, section, QStringLiteral("TextFormat"), QStringLiteral("default")), text);
        QCOMPARE(GetSetting(application, section, QStringLiteral("Missing"), QStringLiteral("default")),
                 QStringLiteral("default"));
        QVERIFY(settingsFileProblem(application).isEmpty());

        // Read back with the registry's own calls, where another program would look for it.
        const std::wstring key = (QStringLiteral("Software\\") + application + QLatin1Char('\\') + application +
                                  QLatin1Char('\\') + section).toStdWString();
        wchar_t value[256] = {};
        DWORD size = sizeof value;
        const LSTATUS status =
            RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"TextFormat", RRF_RT_REG_SZ, nullptr, value, &size);
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + application.toStdWString()).c_str());
        QCOMPARE(status, ERROR_SUCCESS);
        QCOMPARE(QString::fromWCharArray(value), text);
    }

    // Catches: names with numbers sorted by character ("file10" before "file2") where Explorer
    // sorts them by value.
    void namesWithNumbersSortByValue()
    {
        CollationKeys keys(QLocale(QLocale::English, QLocale::UnitedStates));
        if (!keys.valid())
            QSKIP("this system's collation gives no keys with digits as numbers (wine 8 does not); QCollator sorts instead");
        const auto key = [&](const QString& text) {
            std::string out;
            keys.append(out, text);
            return out;
        };
        QVERIFY(key(QStringLiteral("file2.txt")) < key(QStringLiteral("file10.txt")));
        QVERIFY(key(QStringLiteral("file10.txt")) < key(QStringLiteral("file100.txt")));
        QVERIFY(key(QStringLiteral("apple")) < key(QStringLiteral("Banana")));
        QVERIFY(key(QStringLiteral("x")).find('\0') == std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestWindowsDesktop)
#include "test_windows_desktop.moc"
