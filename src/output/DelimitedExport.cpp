// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: CSV and TSV.
#include "output/DelimitedExport.h"

#include <array>

namespace dirlix {

namespace {

// Which bytes a field must treat specially, by table: rows are millions of short fields, and a
// look-up per byte beats searching for each special byte in turn.
struct ByteSet {
    constexpr explicit ByteSet(std::string_view bytes)
    {
        for (const char byte : bytes)
            members[static_cast<unsigned char>(byte)] = true;
    }
    // The first byte of @p text from the set, or text.size().
    std::size_t findIn(std::string_view text, std::size_t from = 0) const
    {
        while (from < text.size() && !members[static_cast<unsigned char>(text[from])])
            ++from;
        return from;
    }
    std::array<bool, 256> members{};
};

constexpr ByteSet kCsvSpecial(",\"\r\n");
// The first bytes a spreadsheet reads as the start of a formula (OWASP's list for CSV injection).
constexpr ByteSet kFormulaStart("=+-@\t\r");
constexpr ByteSet kTsvSpecial("\\\t\n\r");

} // namespace

bool startsFormula(std::string_view text)
{
    return !text.empty() && kFormulaStart.members[static_cast<unsigned char>(text.front())];
}

void appendCsvField(std::string& out, std::string_view text, CsvFormulas formulas)
{
    const bool formula = formulas == CsvFormulas::Quote && startsFormula(text);
    if (!formula && kCsvSpecial.findIn(text) == text.size()) {
        out += text;
        return;
    }
    out += '"';
    if (formula)
        out += '\'';
    for (std::size_t from = 0;;) {
        const std::size_t quote = text.find('"', from);
        out.append(text.substr(from, quote == std::string_view::npos ? std::string_view::npos : quote + 1 - from));
        if (quote == std::string_view::npos)
            break;
        out += '"';
        from = quote + 1;
    }
    out += '"';
}

void appendTsvField(std::string& out, std::string_view text)
{
    std::size_t plain = 0;
    for (std::size_t i; (i = kTsvSpecial.findIn(text, plain)) < text.size(); plain = i + 1) {
        out.append(text.data() + plain, i - plain);
        out += '\\';
        out += text[i] == '\\' ? '\\' : text[i] == '\t' ? 't' : text[i] == '\n' ? 'n' : 'r';
    }
    out.append(text.data() + plain, text.size() - plain);
}

void appendDelimitedRecord(std::string& out, Delimited form, std::span<const std::string_view> fields,
                           CsvFormulas formulas)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            out += form == Delimited::Csv ? ',' : '\t';
        if (form == Delimited::Csv)
            appendCsvField(out, fields[i], formulas);
        else
            appendTsvField(out, fields[i]);
    }
    out += form == Delimited::Csv ? "\r\n" : "\n";
}

void DelimitedExporter::appendHeader(std::string& out)
{
    if (!mHeader)
        return;
    if (!mHashColumn) {
        appendDelimitedRecord(out, mForm, kColumnCaptions);
        return;
    }
    std::array<std::string_view, 9> captions;
    std::copy(std::begin(kColumnCaptions), std::end(kColumnCaptions), captions.begin());
    captions[8] = kHashCaption;
    appendDelimitedRecord(out, mForm, captions);
}

bool DelimitedExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    // Most rows need no quoting or escape: their texts go straight into the line as the columns
    // output writes them, and a row is made again field by field only when a text holds a
    // separator or a special byte.
    const char separator = mForm == Delimited::Csv ? ',' : '\t';
    const ByteSet& special = mForm == Delimited::Csv ? kCsvSpecial : kTsvSpecial;
    const std::size_t start = out.size();
    mTexts.appendRow(out, row, separator, '\n');
    const std::string_view line = std::string_view(out).substr(start, out.size() - start - 1);
    // A field that would start a formula is quoted too: its first byte is looked at, which is
    // the line's first or the one after a separator.
    const bool guard = mFormulas == CsvFormulas::Quote;
    bool formula = guard && startsFormula(line);
    std::size_t at = 0, separators = 0;
    while ((at = special.findIn(line, at)) < line.size() && line[at] == separator) {
        ++separators;
        ++at;
        formula = formula || (guard && startsFormula(line.substr(at)));
    }
    if (separators == 7 && at == line.size() && !formula) {
        if (mHashColumn) { // hex digits: never quoted or escaped
            out.back() = separator;
            out += row.hash;
            out += '\n';
        }
        if (mForm == Delimited::Csv)
            out.insert(out.size() - 1, 1, '\r');
        return true;
    }
    out.resize(start);

    // The eight texts are made in one go, each ended by a NUL: no name, folder or date text of a
    // found file holds one. A row whose own texts do (a row given texts one by one) is made
    // column by column instead.
    mScratch.clear();
    mTexts.appendRow(mScratch, row, '\0', '\0');
    std::array<std::string_view, 9> fields;
    fields[8] = row.hash;
    std::size_t count = 0, from = 0;
    for (std::size_t end; count < 8 && (end = mScratch.find('\0', from)) != std::string::npos; from = end + 1)
        fields[count++] = std::string_view(mScratch).substr(from, end - from);
    if (count != 8 || from != mScratch.size()) {
        mScratch.clear();
        std::array<std::size_t, 9> bounds{};
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            mTexts.appendColumn(mScratch, column, row);
            bounds[std::size_t(column)] = mScratch.size();
        }
        for (std::size_t i = 0; i < 8; ++i)
            fields[i] = std::string_view(mScratch).substr(bounds[i], bounds[i + 1] - bounds[i]);
    }
    appendDelimitedRecord(out, mForm, std::span<const std::string_view>(fields.data(), mHashColumn ? 9 : 8), mFormulas);
    return true;
}

} // namespace dirlix
