// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the Filter dialog.
#include "app/frmFilter.h"

#include "output/SettingsStore.h"
#include "product/AppProduct.h"
#include "search/NameMask.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <ctime>

namespace dirlix {

namespace {

// The units of the size fields: their names and the suffix each adds to the number.
const char* const kUnitNames[] = {QT_TRANSLATE_NOOP("frmFilter", "bytes"), "KB", "MB", "GB", "TB"};
const char* const kUnitSuffixes[] = {"", "K", "M", "G", "T"};

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString stored(const char* key)
{
    return GetSetting(toQString(AppProduct().CompanyName), toQString(AppProduct().Name), QString::fromLatin1(key), {});
}

bool storedCheck(const char* key)
{
    return stored(key) == QLatin1String("1");
}

// A size in words: "1 MB" where a unit divides it, else bytes with separators.
QString sizeWords(std::int64_t bytes)
{
    const std::string text = sizeText(bytes);
    const char unit = text.back();
    if (unit >= '0' && unit <= '9')
        return frmFilter::tr("%1 bytes").arg(QLocale().toString(qlonglong(bytes)));
    return QStringLiteral("%1 %2B").arg(fromUtf8(text.substr(0, text.size() - 1))).arg(QLatin1Char(unit));
}

// An age in the largest whole unit: "7 days", "1 hour", "90 minutes".
QString ageWords(std::int64_t seconds)
{
    const auto [count, one, many] = seconds % 86400 == 0 ? std::tuple{seconds / 86400, frmFilter::tr("day"), frmFilter::tr("days")}
                                  : seconds % 3600 == 0  ? std::tuple{seconds / 3600, frmFilter::tr("hour"), frmFilter::tr("hours")}
                                                         : std::tuple{seconds / 60, frmFilter::tr("minute"), frmFilter::tr("minutes")};
    return QStringLiteral("%1 %2").arg(QLocale().toString(qlonglong(count)), count == 1 ? one : many);
}

QLabel* hint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Shows a stored size as a number and the largest unit that divides it.
void showSize(QLineEdit* number, QComboBox* unit, const std::optional<std::int64_t>& bytes)
{
    number->clear();
    unit->setCurrentIndex(0);
    if (!bytes)
        return;
    const std::string text = sizeText(*bytes);
    const char last = text.back();
    const int index = last >= '0' && last <= '9' ? 0 : int(std::string_view("KMGT").find(last)) + 1;
    number->setText(fromUtf8(index == 0 ? text : text.substr(0, text.size() - 1)));
    unit->setCurrentIndex(index);
}

} // namespace

frmFilter::frmFilter(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Filter"));
    buildControls();
    resize(520, sizeHint().height());
}

void frmFilter::buildControls()
{
    auto* masks = new QGroupBox(tr("Names"), this);
    IncludeMasks = new QLineEdit(masks);
    IncludeMasks->setPlaceholderText(tr("every file, or for example *.jpg;*.png"));
    ExcludeMasks = new QLineEdit(masks);
    ExcludeMasks->setPlaceholderText(tr("nothing, or for example node_modules;*.tmp"));
    CaseSensitive = new QCheckBox(tr("&Match upper and lower case exactly"), masks);
    auto* maskBox = new QVBoxLayout(masks);
    auto* maskForm = new QFormLayout;
    maskBox->addLayout(maskForm);
    maskForm->addRow(tr("&Include:"), IncludeMasks);
    maskForm->addRow(tr("&Leave out:"), ExcludeMasks);
    maskForm->addRow(QString(), CaseSensitive);
    maskBox->addWidget(hint(tr("Masks are separated by \";\": * is any text, ? one character, "
                                        "[abc] or [a-z] one of them, [!a] any but them. Files are included by "
                                        "name; files and folders whose name is left out are not listed or searched."),
                                     masks));

    auto* sizes = new QGroupBox(tr("Size"), this);
    auto* sizeForm = new QFormLayout(sizes);
    auto sizeRow = [&](const QString& caption, QLineEdit*& number, QComboBox*& unit) {
        auto* row = new QHBoxLayout;
        number = new QLineEdit(sizes);
        number->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,18}")), number));
        number->setPlaceholderText(tr("no limit"));
        unit = new QComboBox(sizes);
        for (const char* name : kUnitNames)
            unit->addItem(tr(name));
        row->addWidget(number, 1);
        row->addWidget(unit);
        auto* label = new QLabel(caption, sizes);
        label->setBuddy(number);
        sizeForm->addRow(label, row);
    };
    sizeRow(tr("At l&east:"), MinSize, MinSizeUnit);
    sizeRow(tr("At m&ost:"), MaxSize, MaxSizeUnit);

    auto* dates = new QGroupBox(tr("Modified"), this);
    ModifiedAfter = new QLineEdit(dates);
    ModifiedBefore = new QLineEdit(dates);
    for (QLineEdit* edit : {ModifiedAfter, ModifiedBefore})
        edit->setPlaceholderText(tr("any time"));
    auto* dateBox = new QVBoxLayout(dates);
    auto* dateForm = new QFormLayout;
    dateBox->addLayout(dateForm);
    dateForm->addRow(tr("&At or after:"), ModifiedAfter);
    dateForm->addRow(tr("&Before:"), ModifiedBefore);
    dateBox->addWidget(hint(tr("A local date and time (2024-03-05, 2024-03-05 14:30 or "
                                        "2024-03-05 14:30:00), or an age: 7d, 12h or 30m for days, hours or "
                                        "minutes before the search."),
                                     dates));

    auto* folders = new QGroupBox(tr("Folders"), this);
    FollowLinks = new QCheckBox(tr("&Follow links to folders"), folders);
    OneFileSystem = new QCheckBox(tr("&Stay on one file system"), folders);
    DotFolders = new QCheckBox(tr("E&nter folders whose name begins with \".\""), folders);
    auto* folderBox = new QVBoxLayout(folders);
    for (QCheckBox* box : {FollowLinks, OneFileSystem, DotFolders})
        folderBox->addWidget(box);

    Problem = new QLabel(this);
    Problem->setWordWrap(true);
    Problem->setStyleSheet(QStringLiteral("color: #b00020"));
    Problem->hide();

    auto* buttons = new QDialogButtonBox(this);
    cmdOk = buttons->addButton(QDialogButtonBox::Ok);
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdClear = buttons->addButton(tr("&Clear"), QDialogButtonBox::ResetRole);
    connect(cmdOk, &QPushButton::clicked, this, &frmFilter::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFilter::reject);
    connect(cmdClear, &QPushButton::clicked, this, &frmFilter::clearFields);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* part : {masks, sizes, dates, folders})
        layout->addWidget(part);
    layout->addWidget(Problem);
    layout->addWidget(buttons);
}

void frmFilter::LoadSettings()
{
    FilterRules rules;
    std::string ignored;
    // Each key stands alone: one that cannot be read sets no rule and the others still count.
    for (auto [key, masks] : {std::pair{"IncludeMasks", &rules.include}, std::pair{"ExcludeMasks", &rules.exclude}}) {
        const std::string text = utf8(stored(key).trimmed());
        MaskList check;
        if (!text.empty() && check.add(text, false, ignored) && !check.empty())
            masks->push_back(text);
    }
    rules.caseSensitive = storedCheck("CaseSensitive");
    for (auto [key, size] : {std::pair{"MinSize", &rules.minSize}, std::pair{"MaxSize", &rules.maxSize}})
        if (const QString text = stored(key).trimmed(); !text.isEmpty())
            *size = parseSize(utf8(text), ignored);
    mAfterText = stored("ModifiedAfter").trimmed();
    mBeforeText = stored("ModifiedBefore").trimmed();
    for (auto [text, time] : {std::pair{&mAfterText, &rules.newer}, std::pair{&mBeforeText, &rules.older}}) {
        if (!text->isEmpty())
            *time = parseTime(utf8(*text), ignored);
        if (!*time)
            text->clear();
    }
    rules.followLinks = storedCheck("FollowLinks");
    rules.oneFileSystem = storedCheck("OneFileSystem");
    rules.dotFolders = storedCheck("DotFolders");
    // Hand-edited bounds that hold nothing between them are no rule either.
    if (rules.minSize && rules.maxSize && *rules.minSize > *rules.maxSize)
        rules.minSize = rules.maxSize = std::nullopt;
    const std::int64_t now = std::time(nullptr);
    if (rules.newer && rules.older && rules.newer->at(now) >= rules.older->at(now)) {
        rules.newer = rules.older = std::nullopt;
        mAfterText.clear();
        mBeforeText.clear();
    }
    mRules = rules;
    showRules();
    emit rulesChanged();
}

void frmFilter::showRules()
{
    IncludeMasks->setText(mRules.include.empty() ? QString() : fromUtf8(mRules.include.front()));
    ExcludeMasks->setText(mRules.exclude.empty() ? QString() : fromUtf8(mRules.exclude.front()));
    CaseSensitive->setChecked(mRules.caseSensitive);
    showSize(MinSize, MinSizeUnit, mRules.minSize);
    showSize(MaxSize, MaxSizeUnit, mRules.maxSize);
    ModifiedAfter->setText(mAfterText);
    ModifiedBefore->setText(mBeforeText);
    FollowLinks->setChecked(mRules.followLinks);
    OneFileSystem->setChecked(mRules.oneFileSystem);
    DotFolders->setChecked(mRules.dotFolders);
    Problem->hide();
}

void frmFilter::clearFields()
{
    for (QLineEdit* edit : {IncludeMasks, ExcludeMasks, MinSize, MaxSize, ModifiedAfter, ModifiedBefore})
        edit->clear();
    for (QCheckBox* box : {CaseSensitive, FollowLinks, OneFileSystem, DotFolders})
        box->setChecked(false);
    Problem->hide();
}

bool frmFilter::readFields(FilterRules& rules, QString& problem, QWidget*& field) const
{
    std::string error;
    auto fail = [&](QWidget* where, const QString& what) {
        problem = what + QStringLiteral(": ") + fromUtf8(error);
        field = where;
        return false;
    };
    for (auto [edit, masks, what] : {std::tuple{IncludeMasks, &rules.include, tr("Include")},
                                     std::tuple{ExcludeMasks, &rules.exclude, tr("Leave out")}}) {
        const std::string text = utf8(edit->text().trimmed());
        MaskList check;
        if (!check.add(text, false, error))
            return fail(edit, what);
        if (!check.empty())
            masks->push_back(text);
    }
    rules.caseSensitive = CaseSensitive->isChecked();
    for (auto [edit, unit, size, what] : {std::tuple{MinSize, MinSizeUnit, &rules.minSize, tr("At least")},
                                          std::tuple{MaxSize, MaxSizeUnit, &rules.maxSize, tr("At most")}}) {
        if (edit->text().isEmpty())
            continue;
        *size = parseSize(utf8(edit->text()) + kUnitSuffixes[unit->currentIndex()], error);
        if (!*size)
            return fail(edit, what);
    }
    for (auto [edit, time, what] : {std::tuple{ModifiedAfter, &rules.newer, tr("At or after")},
                                    std::tuple{ModifiedBefore, &rules.older, tr("Before")}}) {
        const QString text = edit->text().trimmed();
        if (text.isEmpty())
            continue;
        *time = parseTime(utf8(text), error);
        if (!*time)
            return fail(edit, what);
    }
    rules.followLinks = FollowLinks->isChecked();
    rules.oneFileSystem = OneFileSystem->isChecked();
    rules.dotFolders = DotFolders->isChecked();
    error = rules.problem(std::time(nullptr));
    if (!error.empty())
        return fail(rules.minSize && rules.maxSize && *rules.minSize > *rules.maxSize ? MaxSize : ModifiedBefore,
                    tr("The filter"));
    return true;
}

void frmFilter::accept()
{
    FilterRules rules;
    QString problem;
    QWidget* field = nullptr;
    if (!readFields(rules, problem, field)) {
        Problem->setText(problem);
        Problem->show();
        field->setFocus();
        return;
    }
    mRules = rules;
    mAfterText = rules.newer ? ModifiedAfter->text().trimmed() : QString();
    mBeforeText = rules.older ? ModifiedBefore->text().trimmed() : QString();
    saveRules();
    showRules();
    QDialog::accept();
    emit rulesChanged();
}

void frmFilter::reject()
{
    showRules();
    QDialog::reject();
}

void frmFilter::clearRules()
{
    mRules = {};
    mAfterText.clear();
    mBeforeText.clear();
    showRules();
    saveRules();
    emit rulesChanged();
}

void frmFilter::saveRules()
{
    const QString application = toQString(AppProduct().CompanyName), section = toQString(AppProduct().Name);
    const QString check[] = {QStringLiteral("0"), QStringLiteral("1")};
    const std::pair<const char*, QString> values[] = {
        {"IncludeMasks", mRules.include.empty() ? QString() : fromUtf8(mRules.include.front())},
        {"ExcludeMasks", mRules.exclude.empty() ? QString() : fromUtf8(mRules.exclude.front())},
        {"CaseSensitive", check[mRules.caseSensitive]},
        {"MinSize", mRules.minSize ? fromUtf8(sizeText(*mRules.minSize)) : QString()},
        {"MaxSize", mRules.maxSize ? fromUtf8(sizeText(*mRules.maxSize)) : QString()},
        {"ModifiedAfter", mAfterText},
        {"ModifiedBefore", mBeforeText},
        {"FollowLinks", check[mRules.followLinks]},
        {"OneFileSystem", check[mRules.oneFileSystem]},
        {"DotFolders", check[mRules.dotFolders]},
    };
    // A store that cannot be written was reported when the program started; the rules still hold
    // for this session.
    for (const auto& [key, value] : values)
        if (!SaveSetting(application, section, QString::fromLatin1(key), value))
            break;
}

QString frmFilter::describe() const
{
    const FilterRules& rules = mRules;
    QStringList parts;
    if (!rules.include.empty())
        parts << fromUtf8(rules.include.front());
    if (!rules.exclude.empty())
        parts << tr("not %1").arg(fromUtf8(rules.exclude.front()));
    if (rules.caseSensitive && (!rules.include.empty() || !rules.exclude.empty()))
        parts << tr("case exact");
    if (rules.minSize)
        parts << QStringLiteral("≥ ") + sizeWords(*rules.minSize);
    if (rules.maxSize)
        parts << QStringLiteral("≤ ") + sizeWords(*rules.maxSize);
    if (rules.newer)
        parts << (rules.newer->isAge ? tr("modified in the last %1").arg(ageWords(rules.newer->seconds))
                                     : tr("modified since %1").arg(mAfterText));
    if (rules.older)
        parts << (rules.older->isAge ? tr("modified over %1 ago").arg(ageWords(rules.older->seconds))
                                     : tr("modified before %1").arg(mBeforeText));
    if (rules.followLinks)
        parts << tr("following links");
    if (rules.oneFileSystem)
        parts << tr("one file system");
    if (rules.dotFolders)
        parts << tr("dot folders");
    return parts.join(QStringLiteral(", "));
}

} // namespace dirlix
