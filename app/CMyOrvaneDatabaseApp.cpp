#include "CMyOrvaneDatabaseApp.h"

#include "ActionGuard.h"
#include "CMyOrvaneDatabaseDlg.h"
#include "CTranslation.h"
#include "PowerClass.h"
#include "Prompter.h"
#include "RunningProgram.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace {

// How long a later start waits for the running program to take its file: enough for one that
// is itself starting, or busy with a large database.
constexpr int kHandOverMs = 20000;

}  // namespace

CMyOrvaneDatabaseApp::CMyOrvaneDatabaseApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Orvane Database"));
    setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    setDesktopFileName(QStringLiteral("orvane-database"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvane-database.svg")));
}

CMyOrvaneDatabaseApp::~CMyOrvaneDatabaseApp() = default;

QString CMyOrvaneDatabaseApp::fileArgument() {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keep one table of entries in CSV files.\n\n"
                       "Without a window: --convert-to orvane|csv|tsv|xlsx|ods [--outdir DIR] "
                       "FILE...\nconverts each FILE (see --convert-to --help)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The database (a CSV file) to open."),
                                 QStringLiteral("[file]"));
    parser.process(arguments());  // --help, --version and a wrong option end the program here
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return QString();
    // A file manager may give an address; a relative path is the caller's folder's.
    const QString file = files.first();
    const QUrl url(file);
    const QString local = url.isLocalFile() ? url.toLocalFile() : file;
    return local.isEmpty() ? QString() : QFileInfo(local).absoluteFilePath();
}

CMyOrvaneDatabaseApp::Lock CMyOrvaneDatabaseApp::lockUserData(QString* folder) {
    // One program at a time per working store: a second one would load another database
    // into the store the first one is working on.
    PowerClass power;
    power.ResolveConfigPath();
    *folder = power.m_dataRoot.isEmpty() ? power.GetProgramFolder() : power.m_dataRoot;
    m_lock = std::make_unique<QLockFile>(*folder + QStringLiteral("/orvane_database.lock"));
    // Never stale by age: a lock whose program has ended is taken over all the same.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0) || m_lock->error() == QLockFile::PermissionError)
        return Lock::Taken;  // a folder we cannot write to leaves nothing to protect
    return Lock::HeldElsewhere;
}

bool CMyOrvaneDatabaseApp::InitInstance() {
    const QString file = fileArgument();
    QString folder;
    Lock lock = Lock::HeldElsewhere;
    if (!actionguard::guard(nullptr, [&] { lock = lockUserData(&folder); }))
        return false;
    m_running = std::make_unique<RunningProgram>(folder);
    if (lock == Lock::HeldElsewhere) {
        if (m_running->handOver(file, kHandOverMs)) {
            m_exitCode = 0;
            return false;
        }
        // A program holds the data but takes nothing: it hangs, or it is of an earlier
        // version.
        CTranslation texts;
        texts.LoadTexts();
        Prompter::current().message(nullptr, texts.GetText(texts::AlreadyRunning),
                                    texts.GetText(texts::ProgramName), Prompter::Buttons::Ok,
                                    Prompter::Icon::Warning);
        return false;
    }
    m_mainWindow = std::make_unique<CMyOrvaneDatabaseDlg>();
    m_mainWindow->setStartFile(file);
    // Files handed over while the window starts wait until it is free.
    connect(m_running.get(), &RunningProgram::handed, m_mainWindow.get(),
            &CMyOrvaneDatabaseDlg::handFile);
    m_running->listen();
    m_mainWindow->show();
    return actionguard::guard(m_mainWindow.get(), [this] { m_mainWindow->OnInitDialog(); });
}
