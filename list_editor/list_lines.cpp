#include "list_editor/list_lines.h"

#include <cstdlib>
#include <string>

#include "lists/codepage.h"
#include "lists/list_store.h"
#include "mission/core/text.h"

namespace vok::editor {

namespace {
constexpr QChar kTagStart(21);
constexpr int kTagDigitBase = 22;
const QString kSeparator = QStringLiteral(" = ");
}  // namespace

QString paddedId(int id) {
    const QString digits = QStringLiteral("%1").arg(std::abs(id), 4, 10, QLatin1Char('0'));
    return id < 0 ? QLatin1Char('-') + digits : digits;
}

QString descriptionText(std::string_view cp1252) { return QString::fromStdString(cp1252ToUtf8(cp1252)); }

QString EncodeIndexTag(int position) {
    QString tag(7, QLatin1Char('\t'));
    tag += kTagStart;
    for (const QChar digit : QString::number(position)) {
        if (digit.isDigit()) tag += QChar(kTagDigitBase + digit.digitValue());
    }
    return tag;
}

int DecodeIndexTag(const QString& line) {
    const qsizetype start = line.indexOf(kTagStart);
    if (start < 0) return 0;
    long long position = 0;
    for (qsizetype i = start; i < line.size(); ++i) {
        const int code = line.at(i).unicode();
        if (code < kTagDigitBase || code > kTagDigitBase + 9) continue;
        position = position * 10 + (code - kTagDigitBase);
        if (position > 0x7FFFFFFF) return 0;  // no list holds that many entries
    }
    return static_cast<int>(position);
}

QString visibleText(const QString& line) {
    QString text = line.left(line.indexOf(kTagStart));
    while (text.endsWith(QLatin1Char('\t'))) text.chop(1);
    return text;
}

QString itemLine(std::int16_t displayMode, const QString& description, int id) {
    return displayMode == kIdentifierFirst ? paddedId(id) + kSeparator + description
                                           : description + kSeparator + paddedId(id);
}

QString replacementLine(std::int16_t displayMode, DfType source, const ReplaceEntry& entry, int position,
                        const ListStore& store) {
    const auto side = [&](DfType v, std::int16_t id) {
        const bool known = isVersion(v);
        const std::string description = known ? store.ItemDescription(v, id) : std::string();
        const QString text = description.empty() ? QStringLiteral("(not in list)") : descriptionText(description);
        const QString label =
            known ? QString::fromLatin1(versionLabel(v)) : QStringLiteral("DF%1").arg(versionNumber(v));
        const QString both = displayMode == kIdentifierFirst ? paddedId(id) + QLatin1Char(' ') + text
                                                             : text + QLatin1Char(' ') + paddedId(id);
        return both + QStringLiteral(" (") + label + QLatin1Char(')');
    };
    return side(source, entry.ObjectId) + QStringLiteral(" -> ") +
           side(dfTypeOf(entry.NewDfType), entry.ReplacementId) + EncodeIndexTag(position);
}

double leadingNumber(const QString& text) {
    // Blanks before the number are skipped, as a user expects of a text box.
    return MisValue(text.trimmed().toStdString());
}

int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Runs of digits compare by their value: "2" before "19".
            const auto run = [](const QString& text, qsizetype& at) {
                while (at < text.size() && text.at(at) == QLatin1Char('0')) ++at;
                const qsizetype start = at;
                while (at < text.size() && text.at(at).isDigit()) ++at;
                return QStringView(text).mid(start, at - start);
            };
            const QStringView left = run(a, i), right = run(b, j);
            if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
            if (const int digits = left.compare(right); digits != 0) return digits;
            continue;
        }
        const char32_t left = a.at(i).toCaseFolded().unicode(), right = b.at(j).toCaseFolded().unicode();
        if (left != right) return left < right ? -1 : 1;
        ++i, ++j;
    }
    return (i < a.size()) - (j < b.size());
}

bool lineLess(const QString& a, const QString& b) {
    const QString left = visibleText(a);
    const QString right = visibleText(b);
    if (const int natural = naturalCompare(left, right); natural != 0) return natural < 0;
    // Lines equal but for letter case or leading zeros keep one order.
    return left.compare(right, Qt::CaseSensitive) < 0;
}

}  // namespace vok::editor
