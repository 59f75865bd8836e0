#pragma once

#include <QApplication>
#include <QLockFile>
#include <memory>

class CMyOrvaneDatabaseDlg;

// The application: takes the per-user lock, builds and initialises the main window.
class CMyOrvaneDatabaseApp : public QApplication {
    Q_OBJECT
public:
    CMyOrvaneDatabaseApp(int& argc, char** argv);
    ~CMyOrvaneDatabaseApp() override;

    // Shows the main window; false when the program cannot start (the user has been told).
    bool InitInstance();

private:
    bool lockUserData();

    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<CMyOrvaneDatabaseDlg> m_mainWindow;
};
