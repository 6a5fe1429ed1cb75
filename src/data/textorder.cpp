#include "data/textorder.h"

#include "data/ansitext.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Printable ASCII, and the code page's letters that are an ASCII letter with accents: in most
// languages each of these is one letter at the first level. The rest (ß, æ, symbols, control
// characters) expand or are ignored, and texts holding them go to the collator whole.
bool WorthRanking(QChar c) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
        return true;
    if (!c.isLetter())
        return false;
    const QString parts = QString(c).normalized(QString::NormalizationForm_D);
    if (parts.size() < 2 || parts[0].unicode() >= 0x7F || !parts[0].isLetter())
        return false;
    return std::all_of(parts.begin() + 1, parts.end(),
                       [](QChar mark) { return mark.category() == QChar::Mark_NonSpacing; });
}

} // namespace

std::shared_ptr<const TextOrder> TextOrder::ForUser() {
    static std::mutex mutex;
    static std::shared_ptr<const TextOrder> current;
    const QLocale locale = SortLocale();
    const std::lock_guard<std::mutex> lock(mutex);
    if (!current || current->Locale() != locale)
        current = std::make_shared<const TextOrder>(locale);
    return current;
}

QLocale TextOrder::SortLocale() {
    const QLocale user = QLocale().collation();
    return user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user;
}

QString TextOrder::Filed(QStringView text) {
    QString filed = text.toString();
    filed.replace(QLatin1Char(','), QLatin1Char('\t'));
    return filed;
}

TextOrder::TextOrder(const QLocale& locale) : m_collator(locale) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    RankAnsiCharacters();
}

// The ranks are read off the collator itself and then checked against it on every text of one
// and two ranked characters, which is where an expansion or a contraction shows; a character
// found in a wrong pair loses its rank and the ranking starts again without it.
void TextOrder::RankAnsiCharacters() {
    std::array<QString, 256> text;
    std::vector<int> bytes;
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        text[std::size_t(b)] = FromAnsi(QByteArrayView(&c, 1));
        if (text[std::size_t(b)].size() == 1 && WorthRanking(text[std::size_t(b)][0]))
            bytes.push_back(b);
    }
    const auto of = [&](int b) -> const QString& {
        return text[std::size_t(b)];
    };
    for (int attempt = 0; attempt < 32 && bytes.size() >= 2; ++attempt) {
        const auto byText = [&](int a, int b) {
            return Compare(of(a), of(b)) < 0;
        };
        const QString low = of(*std::min_element(bytes.begin(), bytes.end(), byText));
        const QString high = of(*std::max_element(bytes.begin(), bytes.end(), byText));
        // At the first level a comes before b exactly when a followed by the highest letter comes
        // before b followed by the lowest: accents and case decide only between equal letters.
        const auto letterBefore = [&](int a, int b) {
            return Compare(of(a) + high, of(b) + low) < 0;
        };
        std::stable_sort(bytes.begin(), bytes.end(), letterBefore);
        std::vector<std::vector<int>> letters; // bytes by rank - 1
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i == 0 || letterBefore(bytes[i - 1], bytes[i]))
                letters.emplace_back();
            letters.back().push_back(bytes[i]);
        }
        if (letters.size() > 255)
            break;

        // Texts of one and two ranked characters in rank order, in runs of equal ranks: each run
        // must come wholly after the run before it.
        QString lastHighest;
        QString wrongPair;
        const auto run = [&](const std::vector<QString>& texts) {
            const auto [lowest, highest] = std::minmax_element(
                texts.begin(), texts.end(), [&](auto& a, auto& b) { return Compare(a, b) < 0; });
            if (!lastHighest.isEmpty() && Compare(lastHighest, *lowest) >= 0)
                wrongPair = lastHighest + *lowest;
            lastHighest = *highest;
        };
        std::vector<QString> texts;
        for (std::size_t first = 0; first < letters.size() && wrongPair.isEmpty(); ++first) {
            texts.clear();
            for (int a : letters[first])
                texts.push_back(of(a));
            run(texts);
            for (std::size_t second = 0; second < letters.size() && wrongPair.isEmpty(); ++second) {
                texts.clear();
                for (int a : letters[first])
                    for (int b : letters[second])
                        texts.push_back(of(a) + of(b));
                run(texts);
            }
        }
        if (wrongPair.isEmpty()) {
            for (std::size_t r = 0; r < letters.size(); ++r)
                for (int b : letters[r])
                    m_ranks[std::size_t(b)] = static_cast<unsigned char>(r + 1);
            return;
        }
        // Blame the accented letters of the pair first, then its letters, then all of it.
        const QByteArray pair = ToAnsi(wrongPair);
        const auto blamed = [&](auto test) {
            std::vector<int> out;
            for (char c : pair)
                if (test(static_cast<unsigned char>(c)))
                    out.push_back(static_cast<unsigned char>(c));
            return out;
        };
        std::vector<int> wrong = blamed([](int b) { return b >= 0x80; });
        if (wrong.empty())
            wrong = blamed([&](int b) { return of(b)[0].isLetter(); });
        if (wrong.empty())
            wrong = blamed([](int) { return true; });
        std::erase_if(bytes, [&](int b) { return std::find(wrong.begin(), wrong.end(), b) != wrong.end(); });
    }
}
