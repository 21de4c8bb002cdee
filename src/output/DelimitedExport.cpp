// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: CSV and TSV.
#include "output/DelimitedExport.h"

#include <array>

namespace dirlix {

void appendCsvField(std::string& out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
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
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char escape = text[i] == '\\' ? '\\' : text[i] == '\t' ? 't' : text[i] == '\n' ? 'n' : text[i] == '\r' ? 'r' : 0;
        if (!escape)
            continue;
        out.append(text.data() + plain, i - plain);
        out += '\\';
        out += escape;
        plain = i + 1;
    }
    out.append(text.data() + plain, text.size() - plain);
}

void appendDelimitedRecord(std::string& out, Delimited form, std::span<const std::string_view> fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            out += form == Delimited::Csv ? ',' : '\t';
        if (form == Delimited::Csv)
            appendCsvField(out, fields[i]);
        else
            appendTsvField(out, fields[i]);
    }
    out += form == Delimited::Csv ? "\r\n" : "\n";
}

void DelimitedExporter::appendHeader(std::string& out)
{
    if (mHeader)
        appendDelimitedRecord(out, mForm, kColumnCaptions);
}

bool DelimitedExporter::appendRow(std::string& out, const Row& row, std::string& /*error*/)
{
    // The eight texts are made in one go, each ended by a NUL: no name, folder or date text of a
    // found file holds one. A row whose own texts do (a row given texts one by one) is made
    // column by column instead.
    mScratch.clear();
    mTexts.appendRow(mScratch, row, '\0', '\0');
    std::array<std::string_view, 8> fields;
    std::size_t count = 0, start = 0;
    for (std::size_t end; count < fields.size() && (end = mScratch.find('\0', start)) != std::string::npos; start = end + 1)
        fields[count++] = std::string_view(mScratch).substr(start, end - start);
    if (count != fields.size() || start != mScratch.size()) {
        mScratch.clear();
        std::array<std::size_t, 9> bounds{};
        for (int column = ColFile; column <= ColModifiedKey; ++column) {
            mTexts.appendColumn(mScratch, column, row);
            bounds[std::size_t(column)] = mScratch.size();
        }
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i] = std::string_view(mScratch).substr(bounds[i], bounds[i + 1] - bounds[i]);
    }
    appendDelimitedRecord(out, mForm, fields);
    return true;
}

} // namespace dirlix
