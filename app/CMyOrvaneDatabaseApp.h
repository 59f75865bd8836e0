#pragma once

#include <QApplication>
#include <QLockFile>
#include <memory>

class CMyOrvaneDatabaseDlg;
class RunningProgram;

// The application: takes the per-user lock, builds and initialises the main window, and takes
// the files that later starts hand over. A start while another program holds the lock hands
// its file (or nothing) to that one and ends.
class CMyOrvaneDatabaseApp : public QApplication {
    Q_OBJECT
public:
    CMyOrvaneDatabaseApp(int& argc, char** argv);
    ~CMyOrvaneDatabaseApp() override;

    // Shows the main window, which opens the file given on the command line or else the last
    // database; false when the program cannot start (the user has been told).
    bool InitInstance();

    // How a start ends that did not become the running program: 0 when another program took
    // what it was given, else 1.
    int exitCode() const { return m_exitCode; }

private:
    enum class Lock { Taken, HeldElsewhere };
    Lock lockUserData(QString* folder);
    // The file of the command line as an absolute path; empty when none was given.
    QString fileArgument();

    int m_exitCode = 1;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<RunningProgram> m_running;
    std::unique_ptr<CMyOrvaneDatabaseDlg> m_mainWindow;
};
