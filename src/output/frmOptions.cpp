// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Options dialog, which holds the five output settings.
#include "output/frmOptions.h"

#include "layout/DesignFont.h"
#include "layout/QtTwips.h"
#include "output/SettingsStore.h"
#include "product/AppProduct.h"

#include <limits>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

#include <utility>

namespace dirlix {

namespace {

const QString kUseQuotes = QStringLiteral("UseQuotes");
const QString kUsePath = QStringLiteral("UsePath");
const QString kUseFilename = QStringLiteral("UseFilename");
const QString kDateFormat = QStringLiteral("DateFormat");
const QString kTextFormat = QStringLiteral("TextFormat");

const char* const kDatePresets[] = {
    "dd/mm/yyyy",          "dd/mm/yyyy HH:MM",    "dd/mm/yyyy HH:MM:SS", "mm/dd/yyyy",
    "mm/dd/yyyy HH:MM",    "mm/dd/yyyy HH:MM:SS", "dd Mmm yy",           "dd Mmm yy HH:MM",
    "dd Mmm yy HH:MM:SS",  "yyyymmdd",            "yyyymmdd HHMM",       "yyyymmdd HHMMSS",
    "yyyymmdd.HHMM",       "yyyymmdd.HHMMSS",     "yyyy-mm-dd",          "yyyy-mm-ddTHH:MM",
    "yyyy-mm-ddTHH:MM:SS", "yyyy-mm-dd HH:MM",    "yyyy-mm-dd HH:MM:SS",
};

/** Places @p widget at a rectangle given in twips, relative to its parent. */
/** A check-box value read from the store: "0" or "1", anything else gives @p fallback. */
bool checkValue(const QString& stored, const QString& fallback)
{
    if (stored == QLatin1String("0") || stored == QLatin1String("1"))
        return stored == QLatin1String("1");
    return fallback == QLatin1String("1");
}

QString checkText(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

frmOptions::frmOptions(QWidget* parent)
    : QDialog(parent)
{
    // A fixed dialog frame: title and close button, no minimise, maximise or context help.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Options"));
    setModal(false);
    setFixedSize(twipsToPixels(4935), twipsToPixels(3000));
    applyDesignFont(this);
    buildControls();
}

void frmOptions::buildControls()
{
    Frame1 = new QGroupBox(QStringLiteral("Text Output"), this);
    placeTwips(Frame1, 120, 240, 1815, 1575);

    // The check boxes are only as wide as their box: their own captions are cut off, and the
    // label to the right of each is its visible text (clicking the label does not toggle it).
    UseQuotes = new QCheckBox(QStringLiteral("Check1"), Frame1);
    placeTwips(UseQuotes, 120, 360, 255, 255);
    UsePath = new QCheckBox(QStringLiteral("Check2"), Frame1);
    placeTwips(UsePath, 120, 720, 255, 255);
    UseFilename = new QCheckBox(QStringLiteral("Check3"), Frame1);
    placeTwips(UseFilename, 120, 1080, 255, 255);

    Label1 = new QLabel(QStringLiteral("Include Quotes"), Frame1);
    placeTwips(Label1, 360, 360, 1335, 255);
    Label2 = new QLabel(QStringLiteral("Path"), Frame1);
    placeTwips(Label2, 360, 720, 495, 255);
    Label3 = new QLabel(QStringLiteral("Filename"), Frame1);
    placeTwips(Label3, 360, 1080, 1215, 255);
    UseQuotes->setAccessibleName(Label1->text());
    UsePath->setAccessibleName(Label2->text());
    UseFilename->setAccessibleName(Label3->text());

    Frame2 = new QGroupBox(QStringLiteral("Date Format"), this);
    placeTwips(Frame2, 2160, 240, 2655, 1575);
    DateFormat = new QComboBox(Frame2);
    DateFormat->setEditable(true);
    // The pattern is used exactly as typed: no inline completion to a preset, and Enter must
    // not add the typed text to the preset list.
    DateFormat->setCompleter(nullptr);
    DateFormat->setInsertPolicy(QComboBox::NoInsert);
    for (const char* preset : kDatePresets)
        DateFormat->addItem(QString::fromLatin1(preset), 0);
    placeTwips(DateFormat, 240, 480, 2175, 315);
    // The drop-down list is as wide as its longest preset, even where the box is narrower.
    DateFormat->view()->setMinimumWidth(DateFormat->view()->sizeHintForColumn(0) +
                                        style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    // The box keeps its design width; a pattern longer than it shows whole in the tooltip.
    // Patterns and templates of any length are kept whole (a line edit cuts at 32767 by default).
    DateFormat->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    connect(DateFormat, &QComboBox::currentTextChanged, DateFormat, &QWidget::setToolTip);

    Label4 = new QLabel(QStringLiteral("Text Format"), this);
    placeTwips(Label4, 120, 1920, 2055, 255);
    TextFormat = new QLineEdit(this);
    placeTwips(TextFormat, 120, 2160, 4695, 285);
    TextFormat->setMaxLength(std::numeric_limits<int>::max());
    TextFormat->setAccessibleName(Label4->text());

    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    placeTwips(cmdOk, 2760, 2520, 975, 375);
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    placeTwips(cmdCancel, 3840, 2520, 975, 375);

    // The focus goes round OK, TextFormat, Cancel, UseFilename, UsePath, UseQuotes, DateFormat.
    QWidget::setTabOrder(cmdOk, TextFormat);
    QWidget::setTabOrder(TextFormat, cmdCancel);
    QWidget::setTabOrder(cmdCancel, UseFilename);
    QWidget::setTabOrder(UseFilename, UsePath);
    QWidget::setTabOrder(UsePath, UseQuotes);
    QWidget::setTabOrder(UseQuotes, DateFormat);
    QWidget::setTabOrder(DateFormat, cmdOk);

    connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    // clicked, not toggled: only the user's click composes, never LoadSettings setting a value.
    connect(UseQuotes, &QCheckBox::clicked, this, &frmOptions::UseQuotes_Click);
    connect(UsePath, &QCheckBox::clicked, this, &frmOptions::UsePath_Click);
    connect(UseFilename, &QCheckBox::clicked, this, &frmOptions::UseFilename_Click);
}

void frmOptions::LoadSettings()
{
    const QString application = toQString(AppProduct().CompanyName);
    const QString section = toQString(AppProduct().Name);
    auto get = [&](const QString& key, const QString& fallback) {
        return GetSetting(application, section, key, fallback);
    };

    UseQuotes->setChecked(checkValue(get(kUseQuotes, kDefaultCheck), kDefaultCheck));
    UsePath->setChecked(checkValue(get(kUsePath, kDefaultCheck), kDefaultCheck));
    UseFilename->setChecked(checkValue(get(kUseFilename, kDefaultCheck), kDefaultCheck));
    DateFormat->setEditText(get(kDateFormat, kDefaultDateFormat));
    // Last, so the template shown is always the stored one.
    TextFormat->setText(get(kTextFormat, kDefaultTextFormat));
    // Show both texts from their start, not scrolled to their end.
    DateFormat->lineEdit()->setCursorPosition(0);
    TextFormat->setCursorPosition(0);
}

void frmOptions::SaveSettings()
{
    const QString application = toQString(AppProduct().CompanyName);
    const QString section = toQString(AppProduct().Name);
    const std::pair<QString, QString> values[] = {
        {kUseQuotes, checkText(UseQuotes)},
        {kUsePath, checkText(UsePath)},
        {kUseFilename, checkText(UseFilename)},
        {kDateFormat, DateFormat->currentText()},
        {kTextFormat, TextFormat->text()},
    };
    for (const auto& [key, value] : values) {
        QString error;
        if (!SaveSetting(application, section, key, value, &error)) {
            // The controls keep the values, so they stay in force for this session.
            reportSaveFailure(error);
            return;
        }
    }
}

void frmOptions::ComposeTemplate()
{
    QString text;
    if (UsePath->isChecked())
        text = QStringLiteral("%6");
    if (UseFilename->isChecked())
        text += QStringLiteral("%1");
    if (UseQuotes->isChecked())
        text = QLatin1Char('"') + text + QLatin1Char('"');
    TextFormat->setText(text);
}

QString frmOptions::dateFormat() const
{
    return DateFormat->currentText();
}

QString frmOptions::textFormat() const
{
    return TextFormat->text();
}

void frmOptions::cmdOk_Click()
{
    QDialog::accept(); // hides
    SaveSettings();
}

void frmOptions::cmdCancel_Click()
{
    QDialog::reject(); // hides
    LoadSettings();
}

void frmOptions::reject()
{
    cmdCancel_Click();
}

void frmOptions::UseQuotes_Click()
{
    ComposeTemplate();
}

void frmOptions::UsePath_Click()
{
    ComposeTemplate();
}

void frmOptions::UseFilename_Click()
{
    ComposeTemplate();
}

void frmOptions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cmdOk->setFocus(Qt::OtherFocusReason);
}

void frmOptions::reportSaveFailure(const QString& message)
{
    QMessageBox::warning(isVisible() ? this : parentWidget(), windowTitle(), message);
}

} // namespace dirlix
