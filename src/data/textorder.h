#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>

// The order in which people read texts: the collation of the user's language, ignoring case
// ("Gómez" before "González"; "Ångström" with the A's in English, after "Zeller" in Swedish).
// Every sorted text column the program shows or writes (the employee lists and their exports,
// the users grid, the data tool's lists) is put in this one order.
class TextOrder {
public:
    // The order of the user's locale (QLocale's default: the system's, unless the program sets
    // another). A C or POSIX locale names no language and its collation is code-point order, which
    // puts "González" before "Gómez"; US English, the program's own language, is taken instead.
    // Made once per locale and shared.
    static std::shared_ptr<const TextOrder> ForUser();
    static QLocale SortLocale();

    explicit TextOrder(const QLocale& locale);

    QLocale Locale() const { return m_collator.locale(); }
    // Below, at or above 0; texts that differ in case only are equal. A comma comes before every
    // other character, as in a phone book: it parts a last name from the first ("Smith, Ann"), so
    // every "Smith, ..." is filed before "Smith Jones, ...", "Smith-Jones, ..." and "Smithers, ...",
    // where the collation alone puts the space and the hyphen before the comma.
    int Compare(QStringView a, QStringView b) const { return m_collator.compare(Filed(a), Filed(b)); }
    QCollatorSortKey SortKey(const QString& text) const { return m_collator.sortKey(Filed(text)); }

    // A quick way for texts decoded from the code page (FromAnsi), one character per byte: the
    // rank of each byte's character at the collation's first level (its letter, accents and case
    // aside), or 0 for a character that the ranks cannot stand for (it is ignored, expands to two
    // letters, as "ß" does, or joins its neighbour, as "ch" does in Czech). Of two texts whose
    // bytes are all ranked, the one with the lower rank sequence comes first; texts with equal
    // rank sequences differ in accents or case only, and Compare orders them.
    const std::array<unsigned char, 256>& AnsiRanks() const { return m_ranks; }

private:
    // The text as the collator sees it: each comma a tab, the first of the characters that count.
    static QString Filed(QStringView text);
    void RankAnsiCharacters();

    QCollator m_collator;
    std::array<unsigned char, 256> m_ranks{};
};
