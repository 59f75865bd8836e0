#include "CMyOrvaneDatabaseApp.h"

#include "ActionGuard.h"
#include "CMyOrvaneDatabaseDlg.h"
#include "CTranslation.h"
#include "PowerClass.h"
#include "Prompter.h"

CMyOrvaneDatabaseApp::CMyOrvaneDatabaseApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Orvane Database"));
    setDesktopFileName(QStringLiteral("orvane-database"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvane-database.svg")));
}

CMyOrvaneDatabaseApp::~CMyOrvaneDatabaseApp() = default;

bool CMyOrvaneDatabaseApp::lockUserData() {
    // One program at a time per working store: a second one would load another database
    // into the store the first one is working on.
    PowerClass power;
    power.ResolveConfigPath();
    const QString folder = power.m_dataRoot.isEmpty() ? power.GetProgramFolder() : power.m_dataRoot;
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/orvane_database.lock"));
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0) || m_lock->error() == QLockFile::PermissionError)
        return true;  // a folder we cannot write to leaves nothing to protect
    CTranslation texts;
    texts.LoadTexts();
    Prompter::current().message(nullptr, texts.GetText(texts::AlreadyRunning),
                                texts.GetText(texts::ProgramName), Prompter::Buttons::Ok,
                                Prompter::Icon::Warning);
    return false;
}

bool CMyOrvaneDatabaseApp::InitInstance() {
    bool locked = false;
    if (!actionguard::guard(nullptr, [&] { locked = lockUserData(); }) || !locked)
        return false;
    m_mainWindow = std::make_unique<CMyOrvaneDatabaseDlg>();
    m_mainWindow->show();
    return actionguard::guard(m_mainWindow.get(), [this] { m_mainWindow->OnInitDialog(); });
}
