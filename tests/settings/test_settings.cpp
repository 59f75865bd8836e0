#include "CTranslation.h"
#include "EnvironmentOverride.h"
#include "FileErrorOf.h"
#include "PowerClass.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <climits>

namespace {

// The locale variables as the test wants them; an empty value counts as not set.
void setLocale(EnvironmentOverride& env, const QByteArray& lcAll, const QByteArray& lcMessages,
               const QByteArray& lang) {
    const std::pair<const char*, QByteArray> variables[] = {
        {"LC_ALL", lcAll}, {"LC_MESSAGES", lcMessages}, {"LANG", lang}};
    for (const auto& [name, value] : variables) {
        if (value.isEmpty())
            env.unset(name);
        else
            env.set(name, value);
    }
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void readConfig_data();
    void readConfig();
    void writeConfig_data();
    void writeConfig();
    void unreadableConfigRaisesFileError_data();
    void unreadableConfigRaisesFileError();

    void firstStartCopiesTemplateIntoUserFolder();
    void laterStartKeepsUserSettings();
    void dataHomeFallsBackToHome();
    void noDataFolderUsesTemplateBesideProgram_data();
    void noDataFolderUsesTemplateBesideProgram();

    void digitsToInt_data();
    void digitsToInt();
    void hexDigitsToInt_data();
    void hexDigitsToInt();
    void splitFields_data();
    void splitFields();
    void intToText_data();
    void intToText();

    void systemLanguage_data();
    void systemLanguage();
    void registryMarkers_data();
    void registryMarkers();

    void sectionChoice_data();
    void sectionChoice();
    void entryParsing_data();
    void entryParsing();
    void missingTranslationFileRaisesFileError_data();
    void missingTranslationFileRaisesFileError();
    void everyLanguageDefinesEveryText_data();
    void everyLanguageDefinesEveryText();
};

// ---- config.ini ----

void TestSettings::readConfig_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("value after the key") << QByteArray("A\r\n1\r\nB\r\n2\r\n") << "B"
                                         << "2";
    QTest::newRow("last key wins") << QByteArray("A\r\n1\r\nA\r\n2\r\n") << "A"
                                   << "2";
    QTest::newRow("value line never taken for the key")
        << QByteArray("Language\r\nLanguage\r\nx\r\n") << "Language"
        << "Language";
    QTest::newRow("key on the last line") << QByteArray("A\r\n1\r\nB") << "B"
                                          << "";
    QTest::newRow("earlier value, key again on the last line")
        << QByteArray("B\r\n1\r\nB\r\n") << "B"
        << "";
    QTest::newRow("missing key") << QByteArray("A\r\n1\r\n") << "Z"
                                 << "";
    QTest::newRow("LF line ends") << QByteArray("A\n1\nB\n2\n") << "B"
                                  << "2";
    QTest::newRow("last line without line end") << QByteArray("A\r\nlast") << "A"
                                                << "last";
    QTest::newRow("whole line, case-sensitive, untrimmed")
        << QByteArray("a\r\n1\r\nA \r\n2\r\n") << "A"
        << "";
    QTest::newRow("ISO 8859-1 value")
        << QByteArray("A\r\nM\xfcller\r\n") << "A" << QString::fromUtf8("Müller");
    QTest::newRow("lone CR is part of the value") << QByteArray("A\r\nx\ry\r\n") << "A"
                                                  << "x\ry";
}

void TestSettings::readConfig() {
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TestEnvironment env;
    PowerClass power;
    power.m_configPath = env.writeFile(QStringLiteral("config.ini"), file);
    QCOMPARE(power.ReadConfig(key), expected);
}

void TestSettings::writeConfig_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("replaces every value of the key")
        << QByteArray("A\r\n1\r\nB\r\n2\r\nA\r\n3\r\n") << "A"
        << "x" << true << QByteArray("A\r\nx\r\nB\r\n2\r\nA\r\nx\r\n");
    QTest::newRow("missing key: rewritten with CR LF, nothing added")
        << QByteArray("A\n1\n") << "Z"
        << "x" << true << QByteArray("A\r\n1\r\n");
    QTest::newRow("key on the last line stays") << QByteArray("A\r\n1\r\nB") << "B"
                                                << "x" << true << QByteArray("A\r\n1\r\nB\r\n");
    QTest::newRow("empty value") << QByteArray("A\r\n1\r\n") << "A"
                                 << "" << true << QByteArray("A\r\n\r\n");
    QTest::newRow("ISO 8859-1 value, one byte a character")
        << QByteArray("A\r\n1\r\n") << "A" << QString::fromUtf8("Müller ÿ") << true
        << QByteArray("A\r\nM\xfcller \xff\r\n");
    // LF line ends show whether the file was rewritten at all.
    QTest::newRow("character above U+00FF refused")
        << QByteArray("A\n1\n") << "A" << QString::fromUtf8("/home/Łukasz") << false
        << QByteArray("A\n1\n");
    QTest::newRow("LF refused") << QByteArray("A\n1\n") << "A"
                                << "a\nB" << false << QByteArray("A\n1\n");
    QTest::newRow("CR refused") << QByteArray("A\n1\n") << "A"
                                << "a\rB" << false << QByteArray("A\n1\n");
}

void TestSettings::writeConfig() {
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, expected);
    TestEnvironment env;
    PowerClass power;
    power.m_configPath = env.writeFile(QStringLiteral("config.ini"), file);
    QCOMPARE(power.WriteConfig(key, value), accepted);
    QCOMPARE(TestEnvironment::readFile(power.m_configPath), expected);
}

void TestSettings::unreadableConfigRaisesFileError_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<int>("kind");

    QTest::newRow("missing") << false << int(FileError::Kind::NotFound);
    QTest::newRow("a folder of that name") << true << int(FileError::Kind::ReadFailed);
}

void TestSettings::unreadableConfigRaisesFileError() {
    QFETCH(bool, folder);
    QFETCH(int, kind);
    TestEnvironment env;
    const QString templatePath = env.programFolder() + QStringLiteral("/config.ini");
    QVERIFY(QFile::remove(templatePath));
    if (folder)
        QVERIFY(QDir().mkpath(templatePath));
    PowerClass power;  // no per-user copy resolved: the template beside the program is used

    const auto readError = fileErrorOf([&] { power.ReadConfig(QStringLiteral("Path")); });
    QVERIFY(readError);
    QCOMPARE(readError->path(), templatePath);
    QCOMPARE(int(readError->kind()), kind);

    const auto writeError =
        fileErrorOf([&] { power.WriteConfig(QStringLiteral("Path"), QStringLiteral("x")); });
    QVERIFY(writeError);
    QCOMPARE(writeError->path(), templatePath);
    QCOMPARE(QFileInfo(templatePath).isDir(), folder);
    QCOMPARE(QFileInfo::exists(templatePath), folder);
}

// ---- folders ----

void TestSettings::firstStartCopiesTemplateIntoUserFolder() {
    TestEnvironment env;
    PowerClass power;
    QCOMPARE(power.ResolveConfigPath(), env.userConfig());
    QCOMPARE(power.m_configPath, env.userConfig());
    QCOMPARE(power.m_dataFolder, env.userFolder());
    QCOMPARE(power.m_dataRoot, env.dataHome() + QStringLiteral("/Orvane"));
    QCOMPARE(TestEnvironment::readFile(env.userConfig()),
             TestEnvironment::readFile(env.programFolder() + QStringLiteral("/config.ini")));
    // Writes go to the copy, never to the template.
    QVERIFY(power.WriteConfig(QStringLiteral("LastDataBase"), QStringLiteral("/x.csv")));
    QCOMPARE(power.ReadConfig(QStringLiteral("LastDataBase")), QStringLiteral("/x.csv"));
    PowerClass templateReader;
    QCOMPARE(templateReader.ReadConfig(QStringLiteral("LastDataBase")), QStringLiteral("---"));
}

void TestSettings::laterStartKeepsUserSettings() {
    TestEnvironment env;
    PowerClass first;
    first.ResolveConfigPath();
    QVERIFY(first.WriteConfig(QStringLiteral("Language"), QStringLiteral("[1036]")));

    PowerClass second;
    QCOMPARE(second.ResolveConfigPath(), env.userConfig());
    QCOMPARE(second.ReadConfig(QStringLiteral("Language")), QStringLiteral("[1036]"));
    QCOMPARE(second.ResolveConfigPath(), env.userConfig());  // same result every time
}

void TestSettings::dataHomeFallsBackToHome() {
    TestEnvironment env;
    EnvironmentOverride environment;
    environment.unset("XDG_DATA_HOME");
    const QString home = qEnvironmentVariable("HOME");
    PowerClass power;
    QCOMPARE(power.ResolveConfigPath(),
             home + QStringLiteral("/.local/share/Orvane/orvanedb/3.01/config.ini"));
    QCOMPARE(power.m_dataRoot, home + QStringLiteral("/.local/share/Orvane"));
    QVERIFY(QFileInfo::exists(power.m_configPath));
}

void TestSettings::noDataFolderUsesTemplateBesideProgram_data() {
    QTest::addColumn<bool>("noHome");

    QTest::newRow("no HOME and no XDG_DATA_HOME") << true;
    // A per-user folder that can never be made: its parent is a regular file.
    QTest::newRow("per-user folder cannot be created") << false;
}

void TestSettings::noDataFolderUsesTemplateBesideProgram() {
    QFETCH(bool, noHome);
    TestEnvironment env;
    EnvironmentOverride environment;
    if (noHome) {
        environment.unset("HOME");
        environment.unset("XDG_DATA_HOME");
    } else {
        const QString file = env.writeFile(QStringLiteral("afile"), "x");
        environment.set("XDG_DATA_HOME", (file + QStringLiteral("/data")).toLocal8Bit());
    }
    PowerClass power;
    const QString templatePath = env.programFolder() + QStringLiteral("/config.ini");
    QCOMPARE(power.ResolveConfigPath(), templatePath);
    QCOMPARE(power.m_dataFolder, env.programFolder());
    // The working store then stays beside the program too.
    QCOMPARE(power.m_dataRoot, env.programFolder());
    QCOMPARE(power.ReadConfig(QStringLiteral("Product ID")), QStringLiteral("orvanedb"));
}

// ---- text helpers ----

void TestSettings::digitsToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("leading zeros") << "00040" << 40;
    QTest::newRow("letter counts as 0 but keeps its place") << "12a4" << 1204;
    QTest::newRow("largest text number") << "99999" << 99999;
    QTest::newRow("blank counts as 0") << "0 4 5" << 405;
    QTest::newRow("empty") << "" << 0;
}

void TestSettings::digitsToInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(DigitsToInt(text), expected);
}

void TestSettings::hexDigitsToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("de-DE") << "0407" << 1031;
    QTest::newRow("de-CH") << "0807" << 2055;
    QTest::newRow("de-AT lowercase") << "0c07" << 3079;
    QTest::newRow("uppercase letter counts as 0") << "0C07" << 7;
    QTest::newRow("all letters") << "ffff" << 65535;
    QTest::newRow("empty") << "" << 0;
}

void TestSettings::hexDigitsToInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(PowerClass::HexDigitsToInt(text), expected);
}

void TestSettings::splitFields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty text gives no field") << "" << QStringList();
    QTest::newRow("no separator gives one field") << "abc" << QStringList{"abc"};
    QTest::newRow("two fields") << "a;b" << QStringList{"a", "b"};
    QTest::newRow("empty field between") << "a;;b" << QStringList{"a", "", "b"};
    QTest::newRow("trailing separator") << "a;b;" << QStringList{"a", "b", ""};
    QTest::newRow("separator alone") << ";" << QStringList{"", ""};
    QTest::newRow("blanks and quotes belong to the value")
        << " a ;\"b\"" << QStringList{" a ", "\"b\""};
}

void TestSettings::splitFields() {
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    PowerClass power;
    power.m_fields = QStringList{"left over"};
    power.SplitFields(text, QLatin1Char(';'));
    QCOMPARE(power.m_fields, fields);
    QCOMPARE(PowerClass::CountSemicolons(text), std::max<int>(0, fields.size() - 1));
}

void TestSettings::intToText_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("negative") << -17 << "-17";
    QTest::newRow("largest") << INT_MAX << "2147483647";
    QTest::newRow("smallest") << INT_MIN << "-2147483648";
}

void TestSettings::intToText() {
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(PowerClass::IntToText(value), expected);
}

// ---- system values ----

void TestSettings::systemLanguage_data() {
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcMessages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("expected");

    QTest::newRow("LANG de_CH.UTF-8")
        << QByteArray() << QByteArray() << QByteArray("de_CH.UTF-8") << "0807";
    QTest::newRow("LANG de_DE.UTF-8")
        << QByteArray() << QByteArray() << QByteArray("de_DE.UTF-8") << "0407";
    QTest::newRow("LC_ALL wins") << QByteArray("fr_CA.UTF-8") << QByteArray("es_MX.UTF-8")
                                 << QByteArray("de_DE.UTF-8") << "0c0c";
    QTest::newRow("LC_MESSAGES before LANG")
        << QByteArray() << QByteArray("es_MX.UTF-8") << QByteArray("de_DE.UTF-8") << "080a";
    QTest::newRow("modifier after @")
        << QByteArray() << QByteArray() << QByteArray("de_AT@euro") << "0c07";
    QTest::newRow("no codeset") << QByteArray() << QByteArray() << QByteArray("pt_BR") << "0416";
    QTest::newRow("other codeset")
        << QByteArray() << QByteArray() << QByteArray("nl_BE.ISO-8859-1") << "0813";
    QTest::newRow("bare language") << QByteArray() << QByteArray() << QByteArray("de") << "0407";
    QTest::newRow("unknown region of a known language")
        << QByteArray() << QByteArray() << QByteArray("de_BE.UTF-8") << "0407";
    QTest::newRow("ja_JP") << QByteArray() << QByteArray() << QByteArray("ja_JP.UTF-8") << "0411";
    QTest::newRow("C") << QByteArray() << QByteArray() << QByteArray("C") << "0409";
    QTest::newRow("C.UTF-8") << QByteArray() << QByteArray() << QByteArray("C.UTF-8") << "0409";
    QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray("POSIX") << "0409";
    QTest::newRow("unknown") << QByteArray() << QByteArray() << QByteArray("xx_YY") << "0409";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << "0409";
}

void TestSettings::systemLanguage() {
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcMessages);
    QFETCH(QByteArray, lang);
    QFETCH(QString, expected);
    EnvironmentOverride environment;
    setLocale(environment, lcAll, lcMessages, lang);
    PowerClass power;
    power.m_registryKey = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language");
    QCOMPARE(power.ReadRegistryString(PowerClass::LocalMachineRoot, QStringLiteral("Default")),
             expected);
}

void TestSettings::registryMarkers_data() {
    QTest::addColumn<int>("root");
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("expected");

    const QString noKey = QStringLiteral("Registry key was not found :-( ");
    QTest::newRow("current user without key path") << 1 << ""
                                                   << "x" << noKey;
    QTest::newRow("local machine without key path") << 2 << ""
                                                    << "x" << noKey;
    QTest::newRow("unknown root") << 7 << "Software\\X"
                                  << "x" << noKey;
    QTest::newRow("value that does not exist") << 2 << "Software\\X"
                                               << "Nothing"
                                               << "";
}

void TestSettings::registryMarkers() {
    QFETCH(int, root);
    QFETCH(QString, keyPath);
    QFETCH(QString, valueName);
    QFETCH(QString, expected);
    PowerClass power;
    power.m_registryKey = keyPath;
    QCOMPARE(power.ReadRegistryString(root, valueName), expected);
}

// ---- translation ----

void TestSettings::sectionChoice_data() {
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("languageName");

    const QString system = QStringLiteral("[----]");
    QTest::newRow("de_DE, system language") << QByteArray("de_DE.UTF-8") << system << "[1031]"
                                            << "Deutsch";
    QTest::newRow("de_CH is a dialect of German") << QByteArray("de_CH.UTF-8") << system << "[1031]"
                                                  << "Deutsch";
    QTest::newRow("en_GB is a dialect of English")
        << QByteArray("en_GB.UTF-8") << system << "[1033]"
        << "English";
    QTest::newRow("fr_CA is a dialect of French")
        << QByteArray("fr_CA.UTF-8") << system << "[1036]" << QString::fromUtf8("Français");
    QTest::newRow("es_MX is a dialect of Spanish")
        << QByteArray("es_MX.UTF-8") << system << "[1034]" << QString::fromUtf8("Español");
    QTest::newRow("nl_BE is a dialect of Dutch") << QByteArray("nl_BE.UTF-8") << system << "[1043]"
                                                 << "Nederlands";
    QTest::newRow("pt_BR") << QByteArray("pt_BR.UTF-8") << system << "[1046]"
                           << QString::fromUtf8("Português (Brasil)");
    QTest::newRow("ja_JP has no section: English")
        << QByteArray("ja_JP.UTF-8") << system << "[1033]"
        << "English";
    QTest::newRow("C locale: English") << QByteArray("C") << system << "[1033]"
                                       << "English";
    QTest::newRow("explicit French over a German system")
        << QByteArray("de_DE.UTF-8") << "[1036]"
        << "[1036]" << QString::fromUtf8("Français");
    QTest::newRow("explicit section the file lacks: every text missing")
        << QByteArray("de_DE.UTF-8") << "[1041]"
        << "[1041]"
        << "---";
}

void TestSettings::sectionChoice() {
    QFETCH(QByteArray, lang);
    QFETCH(QString, language);
    QFETCH(QString, section);
    QFETCH(QString, languageName);
    TestEnvironment env;
    EnvironmentOverride environment;
    setLocale(environment, QByteArray(), QByteArray(), lang);
    env.setConfig(QStringLiteral("Language"), language);

    CTranslation texts;
    texts.LoadTexts();
    QCOMPARE(texts.loadedSection(), section);
    QCOMPARE(texts.GetText(2), languageName);
    QCOMPARE(texts.GetText(5) == QLatin1String("---"), languageName == QLatin1String("---"));
}

void TestSettings::entryParsing_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected");

    QTest::newRow("number, separator, text; a later duplicate loses") << "[1033]" << 40 << "x";
    QTest::newRow("five digits alone: empty text") << "[1033]" << 45 << "";
    QTest::newRow("separator character is not checked") << "[1033]" << 50 << "tab";
    QTest::newRow("text in ISO 8859-1") << "[1033]" << 55 << QString::fromUtf8("Grüße");
    QTest::newRow("blanks in the text kept") << "[1033]" << 60 << " a  b ";
    QTest::newRow("short lines are no entries") << "[1033]" << 0 << "---";
    QTest::newRow("missing number") << "[1033]" << 41 << "---";
    QTest::newRow("entry after [EOL] not read") << "[1033]" << 70 << "---";
    QTest::newRow("section followed by [EOL] is empty") << "[1031]" << 40 << "---";
    QTest::newRow("section without [EOL] runs to the end") << "[1036]" << 80 << "eighty";
    QTest::newRow("last line without line end") << "[1036]" << 85 << "end";
    QTest::newRow("entry 99999 answers for missing numbers") << "[1043]" << 30 << "none";
    QTest::newRow("entry 99999 hides later entries") << "[1043]" << 20 << "none";
    QTest::newRow("entry before 99999 still found") << "[1043]" << 10 << "ten";
}

void TestSettings::entryParsing() {
    QFETCH(QString, section);
    QFETCH(int, id);
    QFETCH(QString, expected);
    TestEnvironment env;
    env.writeFile(QStringLiteral("program/orvanedbtrl.ini"),
                  "00040 outside any section\r\n"
                  "[1033]\r\n"
                  "00002 Fixture\r\n"
                  "00040 x\r\n"
                  "00045\r\n"
                  "abc\r\n"
                  "abcd\r\n"
                  "\r\n"
                  "00050\ttab\r\n"
                  "00040 second forty wins nothing\r\n"
                  "00055 Gr\xfc\xdf"
                  "e\r\n"
                  "00060  a  b \r\n"
                  "[EOL]\r\n"
                  "00070 after the end\r\n"
                  "[1031]\r\n"
                  "[EOL]\r\n"
                  "[1043]\n"
                  "00010 ten\n"
                  "99999 none\n"
                  "00020 twenty\n"
                  "[EOL]\n"
                  "[1036]\r\n"
                  "00080 eighty\r\n"
                  "00085 end");
    env.setConfig(QStringLiteral("Language"), section);

    CTranslation texts;
    texts.LoadTexts();
    QCOMPARE(texts.GetText(id), expected);
}

void TestSettings::missingTranslationFileRaisesFileError_data() {
    QTest::addColumn<QString>("language");

    QTest::newRow("chosen language") << "[1033]";
    QTest::newRow("system language") << "[----]";
}

void TestSettings::missingTranslationFileRaisesFileError() {
    QFETCH(QString, language);
    TestEnvironment env;
    env.setConfig(QStringLiteral("Language"), language);
    const QString path = env.programFolder() + QStringLiteral("/orvanedbtrl.ini");
    QVERIFY(QFile::remove(path));

    CTranslation texts;
    const auto error = fileErrorOf([&] { texts.LoadTexts(); });
    QVERIFY(error);
    QCOMPARE(error->path(), path);
    QCOMPARE(texts.GetText(5), QStringLiteral("---"));
}

void TestSettings::everyLanguageDefinesEveryText_data() {
    QTest::addColumn<QString>("section");

    QFile file(QStringLiteral(ORVANE_PROGRAM_FILES "/orvanedbtrl.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QRegularExpression header(QStringLiteral("^\\[\\d{4}\\]$"));
    int sections = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).trimmed();
        if (header.match(line).hasMatch()) {
            QTest::newRow(qPrintable(line)) << line;
            ++sections;
        }
    }
    QVERIFY(sections > 0);
}

void TestSettings::everyLanguageDefinesEveryText() {
    QFETCH(QString, section);
    TestEnvironment env;
    QList<int> required = {1,   5,   10,  15,  20,  25,  30,  35,  40,  45,  50,  55,  60,
                           65,  70,  75,  80,  85,  90,  100, 105, 110, 115, 120, 125, 130,
                           135, 140, 145, 150, 155, 160, 165, 170, 175, 200, 201, 202, 203,
                           204, 210, 212, 215, 216, 217, 218, 219, 220, 245, 250, 255, 260,
                           400, 405, 410, 415, 420, 425, 430, 435, 440, 445, 450, 455, 460,
                           465, 470, 475, 480, 485, 490, 495, 520};
    for (int id = 600; id <= 620; ++id)
        required.append(id);
    required << 634 << 635 << 670;  // the progress of opening, saving and sorting

    // Every template the English texts offer must exist in every language, name and columns.
    env.setConfig(QStringLiteral("Language"), QStringLiteral("[1033]"));
    CTranslation english;
    english.LoadTexts();
    for (int id = 10000; english.GetText(id) != QLatin1String("---"); id += 10)
        required << id << id + 1;
    QVERIFY(required.contains(10000) && required.contains(10001));

    env.setConfig(QStringLiteral("Language"), section);
    CTranslation texts;
    texts.LoadTexts();
    QCOMPARE(texts.loadedSection(), section);
    QList<int> missing;
    for (int id : required) {
        if (texts.GetText(id) == QLatin1String("---"))
            missing.append(id);
    }
    QCOMPARE(missing, QList<int>());
    QVERIFY(!texts.GetText(2).isEmpty());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
