// Windows-1252 text and the byte layout of both record kinds, checked against literal offsets.
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/records.h"
#include "data/sensitive.h"
#include "support/recordsfile.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

class TestTextFields : public QObject {
    Q_OBJECT

private:
    static QByteArray Bytes(const char* data, int offset, int width) {
        return QByteArray(data + offset, width);
    }

private slots:
    void windows1252() {
        QCOMPARE(ToAnsi(u"Zo\u00EB \u20AC5 \u2019"), QByteArray("Zo\xEB \x80"
                                                                "5 \x92"));
        QCOMPARE(ToAnsi(u"\u03A9"), QByteArray("?"));
        QCOMPARE(ToAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                          "b")),
                 QByteArray("a?b")); // one '?' per character
        QCOMPARE(FromAnsi(QByteArray("\x80\x9F\xFF")), QStringLiteral("\u20AC\u0178\u00FF"));
        // Every byte survives decode and encode unchanged, the undefined ones included.
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        QCOMPARE(ToAnsi(FromAnsi(all)), all);
        QCOMPARE(FirstUnstorable(FromAnsi(all) + QLatin1Char('?')), QString());

        // What would become '?' is named, with its code point, before anything is stored.
        QCOMPARE(FirstUnstorable(u"Th\u1EA3o Nguy\u1EC5n"), QStringLiteral("\u1EA3"));
        QCOMPARE(CharacterName(u"\u1EA3"), QStringLiteral("the character '\u1EA3' (U+1EA3)"));
        QCOMPARE(FirstUnstorable(u"a\u0085\U0001F600"), QStringLiteral("\u0085")); // a C1 control
        QCOMPARE(FirstUnstorable(u"a\U0001F600\u03A9"), QStringLiteral("\U0001F600"));
        QCOMPARE(CharacterName(u"\U0001F600"), QStringLiteral("the character '\U0001F600' (U+1F600)"));
        // Control characters and half a pair by their code point only: nothing for a terminal to run.
        QCOMPARE(CharacterName(u"\x1b"), QStringLiteral("the character U+001B"));
        QCOMPARE(CharacterName(QStringView(u"\0", 1)), QStringLiteral("the character U+0000"));
        QCOMPARE(CharacterName(QString(QChar(0xD800))), QStringLiteral("the character U+D800"));
    }

    void storingTrimsCutsAndPads() {
        char field[15];
        StoreAnsiField(field, 15, u"  Ann  ");
        QCOMPARE(QByteArray(field, 15), QByteArray("Ann            "));
        StoreAnsiField(field, 15, u"Bartholomewsson"); // exactly 15: no padding
        QCOMPARE(QByteArray(field, 15), QByteArray("Bartholomewsson"));
        StoreAnsiField(field, 15, u"Bartholomewssonnn"); // cut to the width
        QCOMPARE(QByteArray(field, 15), QByteArray("Bartholomewsson"));
        StoreAnsiField(field, 15,
                       u"\u00C9l\u00E9onore\u2122\u20AC\u00E7\u00E0\u00FC\u00F1xyz"); // 1 byte each
        QCOMPARE(QByteArray(field, 15), QByteArray("\xC9l\xE9onore\x99\x80\xE7\xE0\xFC\xF1x"));
        StoreAnsiField(field, 15, u"\tTab "); // only spaces are trimmed
        QCOMPARE(QByteArray(field, 15), QByteArray("\tTab           "));
        QCOMPARE(ReadAnsiField(" \xEB"
                               "a b  ",
                               7),
                 QStringLiteral("\u00EBa b"));
        // Padding of any length, taken 32 and eight spaces at a time where it can be.
        for (const int pad : {0, 7, 8, 9, 23, 32, 41, 70}) {
            const QByteArray padded = QByteArray(" x        y") + QByteArray(pad, ' ');
            QCOMPARE(TrimSpaces(QByteArrayView(padded)).toByteArray(), QByteArray("x        y"));
            QCOMPARE(TrimSpaces(QByteArrayView(QByteArray(pad, ' '))).size(), qsizetype(0));
        }
    }

    void personnelRecordLayout() {
        PersonnelRecord r;
        QCOMPARE(QByteArray(r.data(), 5000).count(' '), 5000 - 6 * 8 - 2); // blank: spaces, zero dates
        r.SetDateCreated(46000.5);
        r.SetDateModified(0);
        r.SetFirstName(QStringLiteral("Ann"));
        r.SetMiddleName(QStringLiteral("Marie"));
        r.SetLastName(QStringLiteral("Smith-Jones"));
        r.SetSuffix(QStringLiteral("Jr."));
        r.SetEmergencyName(QStringLiteral("Bob Smith"));
        r.SetEmergencyRelationship(QStringLiteral("Husband"));
        r.SetEmergencyPhone(QStringLiteral("(555) 123-4567"));
        r.SetStreetAddress(QStringLiteral("12 Main Street"));
        r.SetCityStateZip(QStringLiteral("Springfield, IL 62701"));
        r.SetHomePhone(QStringLiteral("555-0100"));
        r.SetCellPhone(QStringLiteral("555-0101"));
        r.SetRace(QStringLiteral("W"));
        r.SetSex(QStringLiteral("F"));
        r.SetSocialSecurityNumber(QStringLiteral("123-45-6789"));
        r.SetDateOfBirth(22345);
        r.SetDateOfEmployment(38000);
        r.SetDateOfJobTitle(39000);
        r.SetInactivationDate(45000);
        r.SetEmployeeNumber(QStringLiteral("E-1001"));
        r.SetJobTitle(QStringLiteral("Office Manager"));
        r.SetNotepad(QStringLiteral("Line one\r\nLine two"));
        r.SetEmail(QStringLiteral("ann@example.com"));
        r.SetPictureFile(QStringLiteral("/home/ann/photo.jpg"));
        r.SetVersionCreated(10);
        const char* d = r.data();
        QCOMPARE(Bytes(d, 0, 8), DateBytes(46000.5));
        QCOMPARE(Bytes(d, 8, 8), DateBytes(0));
        QCOMPARE(Bytes(d, 16, 15), Padded("Ann", 15));
        QCOMPARE(Bytes(d, 31, 15), Padded("Marie", 15));
        QCOMPARE(Bytes(d, 46, 20), Padded("Smith-Jones", 20));
        QCOMPARE(Bytes(d, 66, 3), QByteArray("Jr."));
        QCOMPARE(Bytes(d, 69, 25), Padded("Bob Smith", 25));
        QCOMPARE(Bytes(d, 94, 15), Padded("Husband", 15));
        QCOMPARE(Bytes(d, 109, 20), Padded("(555) 123-4567", 20));
        QCOMPARE(Bytes(d, 129, 50), Padded("12 Main Street", 50));
        QCOMPARE(Bytes(d, 179, 50), Padded("Springfield, IL 62701", 50));
        QCOMPARE(Bytes(d, 229, 20), Padded("555-0100", 20));
        QCOMPARE(Bytes(d, 249, 20), Padded("555-0101", 20));
        QCOMPARE(Bytes(d, 269, 1), QByteArray("W"));
        QCOMPARE(Bytes(d, 270, 1), QByteArray("F"));
        QCOMPARE(Bytes(d, 271, 11), QByteArray("123-45-6789"));
        QCOMPARE(Bytes(d, 282, 8), DateBytes(22345));
        QCOMPARE(Bytes(d, 290, 8), DateBytes(38000));
        QCOMPARE(Bytes(d, 298, 8), DateBytes(39000));
        QCOMPARE(Bytes(d, 306, 8), DateBytes(45000));
        QCOMPARE(Bytes(d, 314, 15), Padded("E-1001", 15));
        QCOMPARE(Bytes(d, 329, 25), Padded("Office Manager", 25));
        QCOMPARE(Bytes(d, 354, 4519), Padded("Line one\r\nLine two", 4519));
        QCOMPARE(Bytes(d, 4873, 25), Padded("ann@example.com", 25));
        QCOMPARE(Bytes(d, 4898, 100), Padded("/home/ann/photo.jpg", 100));
        QCOMPARE(Bytes(d, 4998, 2), QByteArray("\x0A\x00", 2));
        // Reading back trims the padding.
        QCOMPARE(r.LastName(), QStringLiteral("Smith-Jones"));
        QCOMPARE(r.Notepad(), QStringLiteral("Line one\r\nLine two"));
        QCOMPARE(r.DateOfBirth(), 22345.0);
        QCOMPARE(r.VersionCreated(), qint16(10));
    }

    void overWidthFieldsDoNotSpill() {
        PersonnelRecord r;
        r.SetSuffix(QStringLiteral("III Esq"));
        r.SetRace(QStringLiteral("White"));
        r.SetSex(QStringLiteral("Female"));
        r.SetEmail(QString(40, u'x'));
        QCOMPARE(Bytes(r.data(), 66, 3), QByteArray("III"));
        QCOMPARE(Bytes(r.data(), 69, 1), QByteArray(" ")); // the next field is untouched
        QCOMPARE(Bytes(r.data(), 269, 2), QByteArray("WF"));
        QCOMPARE(Bytes(r.data(), 4873, 25), QByteArray(25, 'x'));
        QCOMPARE(Bytes(r.data(), 4898, 1), QByteArray(" "));
    }

    void userRecordLayout() {
        UserRecord u;
        u.SetDateCreated(46000.25);
        u.SetFirstName(QStringLiteral("Zo\u00EB"));
        u.SetLastName(QStringLiteral("Brown"));
        u.SetPassword(QStringLiteral("a1B2c3D4"));
        u.SetAccessLevel(4);
        u.SetComments(QStringLiteral("Office"));
        const char* d = u.data();
        QCOMPARE(Bytes(d, 0, 8), DateBytes(46000.25));
        QCOMPARE(Bytes(d, 8, 15), Padded("Zo\xEB", 15));
        QCOMPARE(Bytes(d, 23, 20), Padded("Brown", 20));
        QCOMPARE(Bytes(d, 43, 16), Padded("a1B2c3D4", 16));
        QCOMPARE(Bytes(d, 59, 2), QByteArray("\x04\x00", 2));
        QCOMPARE(Bytes(d, 61, 439), Padded("Office", 439));
        QCOMPARE(u.FirstName(), QStringLiteral("Zo\u00EB"));
    }

    void garbageBytesReadSafely() {
        PersonnelRecord r;
        for (int i = 0; i < 5000; ++i)
            r.data()[i] = static_cast<char>((i * 37 + 11) & 0xFF);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        r.SetDateOfBirth(nan);
        QVERIFY(std::isnan(r.DateOfBirth()));
        QCOMPARE(r.FirstName().size(), 15); // every byte decodes to one character
        QVERIFY(!r.IsMarkedRemoved());
        r.SetFirstName(QStringLiteral(" $Killed$ "));
        QVERIFY(r.IsMarkedRemoved());
        r.SetFirstName(QStringLiteral("$killed$"));
        QVERIFY(!r.IsMarkedRemoved()); // the marker is compared exactly
    }

    // The Social Security number and the birth date as a user of each level sees them under the
    // "SensitiveFieldsLevel" setting as typed in the settings file.
    void sensitiveFieldsByLevel_data() {
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("ssn");
        QTest::addColumn<QString>("shownSsn");
        QTest::addColumn<QString>("shownBirth");
        const QString full = QStringLiteral("123-45-6789");
        QTest::newRow("no setting") << 1 << QString() << full << full << "03/07/1980";
        QTest::newRow("setting 1") << 1 << "1" << full << full << "03/07/1980";
        QTest::newRow("below the level") << 2 << "3" << full << "***-**-6789"
                                         << "03/07/****";
        QTest::newRow("at the level") << 3 << " 3 " << full << full << "03/07/1980";
        QTest::newRow("above the level") << 4 << "3" << full << full << "03/07/1980";
        QTest::newRow("level 4 only") << 3 << "4"
                                      << " 987-65-4321 "
                                      << "***-**-4321"
                                      << "03/07/****";
        QTest::newRow("empty stays empty") << 1 << "4"
                                           << "   "
                                           << ""
                                           << "03/07/****";
        QTest::newRow("short number") << 1 << "2"
                                      << "123"
                                      << "***-**-123"
                                      << "03/07/****";
        QTest::newRow("out of range") << 1 << "5" << full << full << "03/07/1980";
        QTest::newRow("zero") << 1 << "0" << full << full << "03/07/1980";
        QTest::newRow("not a number") << 1 << "three" << full << full << "03/07/1980";
    }
    void sensitiveFieldsByLevel() {
        QFETCH(int, user);
        QFETCH(QString, setting);
        QFETCH(QString, ssn);
        const SensitiveFields rule(user, SensitiveFieldsLevelFrom(setting));
        QTEST(rule.Ssn(ssn), "shownSsn");
        QTEST(rule.BirthDate(DateToOle(QDate(1980, 3, 7))), "shownBirth");
        QCOMPARE(SensitiveFields::MonthAndDay(DateToOle(QDate(1980, 3, 7))), QStringLiteral("03/07"));
    }
};

QTEST_GUILESS_MAIN(TestTextFields)
#include "tst_textfields.moc"
