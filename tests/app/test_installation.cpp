// The installation: "cmake --install" of this build into a temporary prefix gives a command
// that starts the program in its own folder, a valid menu entry with its icon, and a user
// guide whose pages all exist and link to each other.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kTopics = {
    "start", "view-all", "view-filtered", "search",    "add-edit", "settings",
    "undo",  "files",    "printing",      "languages", "keyboard", "files-on-disk",
};
const QStringList kLanguages = {"en", "de", "fr", "es", "nl", "pt_BR"};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList matches(const QString& text, const QString& pattern) {
    QStringList found;
    for (const auto& match : QRegularExpression(pattern).globalMatch(text))
        found.append(match.captured(1));
    return found;
}

}  // namespace

class TestInstallation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void launcherStartsTheProgramInItsFolder();
    void desktopEntryNamesTheLauncherAndIcon();
    void desktopEntryIsValid();
    void desktopEntryOpensCsvFiles();
    void helpPage_data();
    void helpPage();
    void helpLinksLeadSomewhere();

private:
    QString installed(const QString& relative) const { return m_prefix.filePath(relative); }
    QString programFolder() const { return installed(ORVANE_INSTALLED_PROGRAM_DIR); }
    QString desktopFile() const {
        return installed(ORVANE_INSTALLED_DATA_DIR "/applications/orvane-database.desktop");
    }
    QString desktopValue(const QString& key) const;

    QTemporaryDir m_prefix;
};

void TestInstallation::initTestCase() {
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(ORVANE_CMAKE_COMMAND,
                  {"--install", ORVANE_BUILD_DIR, "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void TestInstallation::installedFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("sameAsBuild");  // the build's converted file, byte for byte
    const QString program = ORVANE_INSTALLED_PROGRAM_DIR "/";
    QTest::newRow("program") << program + "orvane-database" << false;
    QTest::newRow("config template") << program + "config.ini" << true;
    QTest::newRow("translations") << program + "orvanedbtrl.ini" << true;
    QTest::newRow("store template") << program + "orvane_database.sqlite" << true;
    QTest::newRow("help entry page") << program + "help.html" << true;
    QTest::newRow("help style") << program + "help/help.css" << true;
    QTest::newRow("command") << ORVANE_INSTALLED_BIN_DIR "/orvane-database" << false;
    QTest::newRow("icon") << ORVANE_INSTALLED_DATA_DIR
        "/icons/hicolor/scalable/apps/orvane-database.svg"
                          << false;
}

void TestInstallation::installedFiles() {
    QFETCH(QString, path);
    QFETCH(bool, sameAsBuild);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    if (sameAsBuild) {
        const QString built = QStringLiteral(ORVANE_PROGRAM_FILES "/") +
                              path.mid(QStringLiteral(ORVANE_INSTALLED_PROGRAM_DIR "/").size());
        QCOMPARE(readAll(file.filePath()), readAll(built));
    }
}

void TestInstallation::launcherStartsTheProgramInItsFolder() {
    // The command on the PATH is a link; the program must still find the files beside itself,
    // which it shows by copying its config.ini and store templates into the user's folder.
    const QString command = installed(ORVANE_INSTALLED_BIN_DIR "/orvane-database");
    QVERIFY(QFileInfo(command).isExecutable());
    QTemporaryDir user;
    QVERIFY(user.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", user.filePath("home"));
    environment.insert("XDG_DATA_HOME", user.filePath("data"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QDir(user.path()).mkpath("home");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(command, {});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    // At a first start the program waits in its New Database window; the files are there by then.
    const QString config = user.filePath("data/Orvane/orvanedb/3.01/config.ini");
    const QString store = user.filePath("data/Orvane/orvane_database.sqlite");
    QTRY_VERIFY_WITH_TIMEOUT((QFileInfo::exists(config) && QFileInfo::exists(store)) ||
                                 program.state() == QProcess::NotRunning,
                             60000);
    const QByteArray output = program.readAll();
    const bool stillRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished();
    QVERIFY2(stillRunning, output.constData());
    // The copy gets the store's path later; the lines before it are the template's.
    const QByteArray configTemplate = readAll(programFolder() + "/config.ini");
    QVERIFY(readAll(config).startsWith(configTemplate.left(configTemplate.indexOf("Path"))));
    QVERIFY(readAll(store).startsWith(QByteArray("SQLite format 3", 16)));
}

QString TestInstallation::desktopValue(const QString& key) const {
    const QStringList lines = QString::fromUtf8(readAll(desktopFile())).split('\n');
    for (const QString& line : lines) {
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

void TestInstallation::desktopEntryNamesTheLauncherAndIcon() {
    QVERIFY(QFileInfo::exists(desktopFile()));
    const QString exec = desktopValue("Exec").section(' ', 0, 0);
    QVERIFY(QFileInfo(installed(ORVANE_INSTALLED_BIN_DIR "/" + exec)).isExecutable());
    const QString icon = desktopValue("Icon");
    QVERIFY(QFileInfo::exists(
        installed(ORVANE_INSTALLED_DATA_DIR "/icons/hicolor/scalable/apps/" + icon + ".svg")));
    QCOMPARE(desktopValue("Terminal"), QString("false"));
    QVERIFY(desktopValue("Categories").split(';').contains("Office"));
}

void TestInstallation::desktopEntryIsValid() {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {desktopFile()});
    QVERIFY(validate.waitForFinished(60000));
    const QByteArray complaints = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && complaints.trimmed().isEmpty(), complaints.constData());
}

void TestInstallation::desktopEntryOpensCsvFiles() {
    // "Open With" and a double-click hand the file over: the entry takes one (%f) and declares
    // the type the desktop's shared MIME database gives a CSV file, whichever name it uses.
    QVERIFY(desktopValue("Exec").endsWith(QLatin1String(" %f")));
    const QStringList declared = desktopValue("MimeType").split(';', Qt::SkipEmptyParts);
    QTemporaryDir folder;
    const QString csv = folder.filePath("people.csv");
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name;Town\r\nSmith;York\r\n");
    file.close();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(csv);
    QVERIFY2(declared.contains(type.name()), qPrintable(type.name()));
    for (const QString& alias : type.aliases())
        QVERIFY2(declared.contains(alias), qPrintable(alias));
}

void TestInstallation::helpPage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("topic");
    for (const QString& language : kLanguages) {
        for (const QString& topic : kTopics)
            QTest::addRow("%s/%s", qPrintable(language), qPrintable(topic)) << language << topic;
    }
}

void TestInstallation::helpPage() {
    // The program opens help/<language>/<topic>.html; every page leads to every topic of its
    // language and to itself in every other language.
    QFETCH(QString, language);
    QFETCH(QString, topic);
    const QString relative = QString("help/%1/%2.html").arg(language, topic);
    QVERIFY2(QFileInfo::exists(QStringLiteral(ORVANE_PROGRAM_FILES "/") + relative),
             "missing beside the built program");
    const QString page = QString::fromUtf8(readAll(programFolder() + '/' + relative));
    QVERIFY2(!page.isEmpty(), "missing beside the installed program");
    QVERIFY(page.contains(QString("<html lang=\"%1\">").arg(QString(language).replace('_', '-'))));
    QVERIFY(!matches(page, "<h1>([^<]+)</h1>").isEmpty());
    const QStringList links = matches(page, "href=\"([^\"]+)\"");
    for (const QString& other : kTopics)
        QVERIFY2(links.contains(other + ".html"), qPrintable(other));
    for (const QString& other : kLanguages) {
        if (other != language)
            QVERIFY2(links.contains(QString("../%1/%2.html").arg(other, topic)), qPrintable(other));
    }
    // The entry page beside the program leads to the page in every language.
    const QStringList entryLinks =
        matches(QString::fromUtf8(readAll(programFolder() + "/help.html")), "href=\"([^\"]+)\"");
    QVERIFY(entryLinks.contains(relative));
}

void TestInstallation::helpLinksLeadSomewhere() {
    // Every relative link of the guide names a file that is installed, and every "#part" an
    // id in it.
    QStringList pages = {programFolder() + "/help.html"};
    QDirIterator it(programFolder() + "/help", {"*.html"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        pages.append(it.next());
    QStringList broken;
    for (const QString& page : pages) {
        const QString text = QString::fromUtf8(readAll(page));
        for (const QString& link : matches(text, "(?:href|src)=\"([^\"]+)\"")) {
            if (link.contains(':'))
                continue;  // web addresses
            const QString file = link.section('#', 0, 0);
            const QString part = link.section('#', 1);
            const QString target =
                file.isEmpty() ? page : QFileInfo(page).dir().absoluteFilePath(file);
            const bool found =
                QFileInfo::exists(target) &&
                (part.isEmpty() ||
                 QString::fromUtf8(readAll(target)).contains(QString("id=\"%1\"").arg(part)));
            if (!found)
                broken.append(QDir(programFolder()).relativeFilePath(page) + ": " + link);
        }
    }
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join('\n')));
}

QTEST_GUILESS_MAIN(TestInstallation)
#include "test_installation.moc"
