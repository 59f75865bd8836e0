// The language dialog: the languages of the translation file, the current choice, what OK and
// Escape hand back, and a language change of the whole main window.
#include "CLanguage.h"
#include "EnvironmentOverride.h"
#include "FileErrorOf.h"
#include "MainWindowHarness.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kSystemDefault = QStringLiteral("System default language");

// Runs the dialog as the main window does, with script acting on the shown dialog.
int run(CLanguage& dialog, DesktopTestEnvironment& env, std::function<int(CLanguage&)> script) {
    env.prompter.queueDialog(
        [script](QDialog& shown) { return script(static_cast<CLanguage&>(shown)); });
    return Prompter::current().runModal(dialog);
}

int choose(CLanguage& dialog, const QString& name) {
    dialog.languageList()->setEditText(name);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    return dialog.result();
}

// The translation file of the installation replaced by lines (ISO 8859-1, CR LF).
void writeTranslation(const TestEnvironment& env, const QStringList& lines) {
    env.writeFile(QStringLiteral("program/orvanedbtrl.ini"),
                  (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
}

}  // namespace

class TestLanguageDialog : public QObject {
    Q_OBJECT
private slots:
    void showsCurrentLanguage_data();
    void showsCurrentLanguage();
    void okHandsBackTheChosenHeader_data();
    void okHandsBackTheChosenHeader();
    void escapeAndCloseChangeNothing();
    void listIsSortedSectionsKeepFileOrder();
    void readsHeadersOnly();
    void missingTranslationFile();
    void windowSpeaksTheProgramsLanguage();
    void mainWindowChangesLanguage();
};

void TestLanguageDialog::showsCurrentLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("inList");

    QTest::newRow("German") << "[1031]"
                            << "Deutsch" << true;
    QTest::newRow("system's language") << "[----]"
                                       << "(System language)" << true;
    QTest::newRow("header the file lacks") << "[1049]" << kSystemDefault << false;
}

void TestLanguageDialog::showsCurrentLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, shown);
    QFETCH(bool, inList);
    DesktopTestEnvironment env;
    CLanguage dialog(nullptr);
    dialog.m_language = language;
    dialog.m_caption = QStringLiteral("Pick one:");
    dialog.OnInitDialog();

    QCOMPARE(dialog.languageList()->currentText(), shown);
    QCOMPARE(dialog.languageList()->currentIndex() >= 0, inList);
    QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("Pick one:"));
}

void TestLanguageDialog::okHandsBackTheChosenHeader_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("result");

    QTest::newRow("English") << "[----]"
                             << "English"
                             << "[1033]";
    QTest::newRow("system's language") << "[1031]"
                                       << "(System language)"
                                       << "[----]";
    QTest::newRow("unchanged German") << "[1031]"
                                      << "Deutsch"
                                      << "[1031]";
    // Nothing matches the untouched text: the caller then writes nothing.
    QTest::newRow("header the file lacks") << "[1049]" << kSystemDefault << "[1049]";
    QTest::newRow("typed name of no language") << "[1033]"
                                               << "Klingon"
                                               << "[1033]";
    QTest::newRow("empty text") << "[1033]"
                                << ""
                                << "[1033]";
}

void TestLanguageDialog::okHandsBackTheChosenHeader() {
    QFETCH(QString, language);
    QFETCH(QString, chosen);
    QFETCH(QString, result);
    DesktopTestEnvironment env;
    CLanguage dialog(nullptr);
    dialog.m_language = language;
    dialog.OnInitDialog();

    QCOMPARE(run(dialog, env, [&](CLanguage& shown) { return choose(shown, chosen); }),
             int(QDialog::Accepted));
    QCOMPARE(dialog.m_language, result);
}

void TestLanguageDialog::escapeAndCloseChangeNothing() {
    DesktopTestEnvironment env;
    CLanguage dialog(nullptr);
    dialog.m_language = QStringLiteral("[1031]");
    dialog.OnInitDialog();

    const int escaped = run(dialog, env, [](CLanguage& shown) {
        shown.languageList()->setEditText(QStringLiteral("English"));
        QTest::keyClick(&shown, Qt::Key_Escape);
        return shown.result();
    });
    QCOMPARE(escaped, int(QDialog::Rejected));
    QCOMPARE(dialog.m_language, QStringLiteral("[1031]"));

    dialog.OnInitDialog();
    const int closed = run(dialog, env, [](CLanguage& shown) {
        shown.languageList()->setEditText(QStringLiteral("English"));
        shown.close();
        return shown.result();
    });
    QCOMPARE(closed, int(QDialog::Rejected));
    QCOMPARE(dialog.m_language, QStringLiteral("[1031]"));
}

void TestLanguageDialog::listIsSortedSectionsKeepFileOrder() {
    DesktopTestEnvironment env;
    writeTranslation(
        env, {"[1033]", "00000 texts", "00002 English", "[EOL]", "[1036]", "00000 textes",
              "00002 français", "[EOL]", "[1031]", "00000 Texte", "00002 Deutsch", "[EOL]"});
    CLanguage dialog(nullptr);
    dialog.m_language = QStringLiteral("[1036]");
    dialog.OnInitDialog();

    QStringList listed;
    for (int i = 0; i < dialog.languageList()->count(); ++i)
        listed.append(dialog.languageList()->itemText(i));
    QCOMPARE(listed, (QStringList{"Deutsch", "English", "français"}));
    QCOMPARE(dialog.m_sections,
             (QStringList{"[1033]", "English", "[1036]", "français", "[1031]", "Deutsch"}));
    QCOMPARE(dialog.languageList()->currentText(), QStringLiteral("français"));
}

void TestLanguageDialog::readsHeadersOnly() {
    // Only lines of exactly six characters that begin with "[" are headers; the name stands
    // on the second line after one, so a header near the end of the file gets an empty name.
    DesktopTestEnvironment env;
    writeTranslation(env, {"# [1033] in a comment", "[10330]", "[1033]", "00000 texts",
                           "00002 English", "[EOL]", "[1031]", "00002 Deutsch"});
    CLanguage dialog(nullptr);
    dialog.m_language = QStringLiteral("[1031]");
    dialog.OnInitDialog();

    QCOMPARE(dialog.m_sections, (QStringList{"[1033]", "English", "[1031]", ""}));
    QCOMPARE(dialog.languageList()->count(), 1);
    QCOMPARE(dialog.languageList()->currentIndex(), -1);
    QCOMPARE(dialog.languageList()->currentText(), QString());

    // The empty text names no section, not even the one that lacks its name.
    QCOMPARE(run(dialog, env, [](CLanguage& shown) { return choose(shown, QString()); }),
             int(QDialog::Accepted));
    QCOMPARE(dialog.m_language, QStringLiteral("[1031]"));
    QCOMPARE(
        run(dialog, env, [](CLanguage& shown) { return choose(shown, QStringLiteral("English")); }),
        int(QDialog::Accepted));
    QCOMPARE(dialog.m_language, QStringLiteral("[1033]"));
}

void TestLanguageDialog::missingTranslationFile() {
    DesktopTestEnvironment env;
    const QString path = env.programFolder() + QStringLiteral("/orvanedbtrl.ini");
    QVERIFY(QFile::remove(path));
    CLanguage dialog(nullptr);
    const auto error = fileErrorOf([&] { dialog.OnInitDialog(); });
    QVERIFY2(error, "no file error");
    QCOMPARE(error->path(), path);
    QCOMPARE(error->kind(), FileError::Kind::NotFound);
}

void TestLanguageDialog::windowSpeaksTheProgramsLanguage() {
    DesktopTestEnvironment env;
    env.setConfig(QStringLiteral("Language"), QStringLiteral("[1031]"));
    CLanguage dialog(nullptr);
    dialog.OnInitDialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Sprachauswahl"));
    // The system's language is named in the language shown.
    QVERIFY(dialog.languageList()->findText(QStringLiteral("(Systemsprache)")) >= 0);

    env.setConfig(QStringLiteral("Language"), QStringLiteral("[1033]"));
    dialog.OnInitDialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Language Selection"));
    QVERIFY(dialog.languageList()->findText(QStringLiteral("(System language)")) >= 0);
}

void TestLanguageDialog::mainWindowChangesLanguage() {
    MainWindowHarness world;
    DesktopTestEnvironment& env = world.env;
    QByteArray csv = "Name;City\r\nAnn;Rome\r\n";
    env.setConfig(QStringLiteral("LastDataBase"), env.writeFile(QStringLiteral("people.csv"), csv));
    EnvironmentOverride german;
    german.set("LANG", "de_DE.UTF-8");
    CMyOrvaneDatabaseDlg& window = world.start();
    QCOMPARE(window.text(2), QStringLiteral("Deutsch"));
    const QString germanTab = window.tabs()->tabText(0);

    // The same language again: nothing is written, nothing relabelled.
    env.prompter.queueDialog([](QDialog& shown) {
        return choose(static_cast<CLanguage&>(shown), QStringLiteral("(Systemsprache)"));
    });
    window.action(210)->trigger();
    QCOMPARE(env.config(QStringLiteral("Language")), QStringLiteral("[----]"));
    QCOMPARE(window.tabs()->tabText(0), germanTab);

    env.prompter.queueDialog([](QDialog& shown) {
        return choose(static_cast<CLanguage&>(shown), QStringLiteral("English"));
    });
    window.action(210)->trigger();
    QCOMPARE(env.config(QStringLiteral("Language")), QStringLiteral("[1033]"));
    QCOMPARE(window.text(2), QStringLiteral("English"));
    QCOMPARE(window.tabs()->tabText(0), window.text(10));
    QVERIFY(window.tabs()->tabText(0) != germanTab);
    QCOMPARE(window.action(200)->text(), QStringLiteral("&File"));
    QCOMPARE(window.windowTitle(), QStringLiteral("people.csv - Orvane Database"));
    QCOMPARE(window.settingsPage().addButton()->text(), QStringLiteral("&Add Column"));
    QCOMPARE(env.prompter.messageTexts(), QStringList());
}

QTEST_MAIN(TestLanguageDialog)
#include "test_language_dialog.moc"
